#include "PrefsFixture.h"

#include "core/Tuning.h"

#include <limits>

namespace {

class TuningTest : public PrefsFixture {
protected:
    void tuning(const QVariantMap& map) { put("prepTuning", map); }
};

TEST_F(TuningTest, NumbersOnlyAndFiniteOnly) {
    EXPECT_EQ(Tuning::doubleValue(QVariant(qlonglong(3))), 3.0);
    EXPECT_EQ(Tuning::doubleValue(QVariant(2.5)), 2.5);
    EXPECT_FALSE(Tuning::doubleValue(QVariant(QStringLiteral("5"))));
    EXPECT_FALSE(Tuning::doubleValue(QVariant(true)));
    EXPECT_FALSE(Tuning::doubleValue(QVariant()));
    EXPECT_FALSE(Tuning::doubleValue(QVariant(std::numeric_limits<double>::infinity())));
    EXPECT_FALSE(Tuning::doubleValue(QVariant(std::numeric_limits<double>::quiet_NaN())));
}

TEST_F(TuningTest, TrimElementsApplyOneByOne) {
    tuning({{"trim", QVariantList{0.5, 10.0, 200.0}}});
    Tuning::TrimParameters p = Tuning::trimParameters();
    EXPECT_EQ(p.noiseQuantile, 0.5);
    EXPECT_EQ(p.thresholdFactor, 10.0);
    EXPECT_EQ(p.thresholdFloor, 200.0);
    EXPECT_EQ(p.marginFrames, 6);  // element 3 missing
    EXPECT_FALSE(Tuning::trimParameter(3));
    EXPECT_FALSE(Tuning::trimParameter(-1));

    tuning({{"trim", QVariantList{0.95, QStringLiteral("5"), 10000.0, 7.9}}});
    p = Tuning::trimParameters();
    EXPECT_EQ(p.noiseQuantile, 0.25);    // out of range
    EXPECT_EQ(p.thresholdFactor, 3.0);   // text is not a number
    EXPECT_EQ(p.thresholdFloor, 10000.0);  // inclusive bound
    EXPECT_EQ(p.marginFrames, 7);        // truncated after the range test

    tuning({{"trim", QStringLiteral("0.1,2,3,4")}});
    EXPECT_FALSE(Tuning::trimParameter(0));
    put("prepTuning", QStringLiteral("not a dictionary"));
    EXPECT_EQ(Tuning::trimParameters().marginFrames, 6);
}

TEST_F(TuningTest, SpeedCapsPerPercent) {
    tuning({{"caps", QVariantMap{{"80", 2.0}, {"75", 2.0}, {"90", 3.5}, {"60", qlonglong(1)}, {"70", QStringLiteral("2")}}}});
    EXPECT_EQ(Tuning::maxSpeedFactor(80), 2.0);
    EXPECT_DOUBLE_EQ(Tuning::maxSpeedFactor(90), 100.0 / 90);
    EXPECT_EQ(Tuning::maxSpeedFactor(60), 1.0);
    EXPECT_DOUBLE_EQ(Tuning::maxSpeedFactor(70), 100.0 / 70);
    EXPECT_DOUBLE_EQ(Tuning::maxSpeedFactor(75), 2.0);  // only read when asked for 75
    EXPECT_EQ(Tuning::maxSpeedFactor(0), 1.0);          // never a division by zero
    tuning({{"caps", QVariantMap{{"80", 3.5}}}});
    EXPECT_EQ(Tuning::maxSpeedFactor(80), 1.25);
}

TEST_F(TuningTest, BaseRangeExcludesZeroAndIncludesThreeHundred) {
    tuning({{"base", 0.0}});
    EXPECT_EQ(Tuning::baseSeconds(), 10.0);
    tuning({{"base", qlonglong(301)}});
    EXPECT_EQ(Tuning::baseSeconds(), 10.0);
    tuning({{"base", qlonglong(300)}});
    EXPECT_EQ(Tuning::baseSeconds(), 300.0);
    tuning({{"base", 0.5}});
    EXPECT_EQ(Tuning::baseSeconds(), 0.5);
}

TEST_F(TuningTest, StoreReplacesTheDictionaryWholeOrNotAtAll) {
    tuning({{"base", 20.0}, {"trim", QVariantList{0.1}}});
    Tuning::store({{"tuning", QStringLiteral("oops")}});
    Tuning::store({{"other", QVariantMap{{"base", 5.0}}}});
    EXPECT_EQ(Tuning::baseSeconds(), 20.0);
    Tuning::store({{"tuning", QVariantMap{{"base", 30.0}}}});
    EXPECT_EQ(Tuning::baseSeconds(), 30.0);
    EXPECT_FALSE(Tuning::trimParameter(0));  // replaced, not merged
    Tuning::store({{"tuning", QVariantMap{}}});
    EXPECT_EQ(value("prepTuning"), QVariant(QVariantMap{}));
    EXPECT_EQ(Tuning::baseSeconds(), 10.0);
}

}  // namespace
