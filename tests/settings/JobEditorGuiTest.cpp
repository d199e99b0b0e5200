#include "settings/screens/JobEditor.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/BetaSettingsModel.h"
#include "settings/screens/OptionList.h"
#include "settings/ui/CheckRow.h"

#include "TestHome.h"

#include <QFile>
#include <gtest/gtest.h>

#include <memory>

namespace {

class JobEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
        AppPrefs::resetFirstRunForTesting();
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("0.0.9"));
    }
    void TearDown() override {
        editor.reset();
        model.reset();
        AppPrefs::resetFirstRunForTesting();
        Bundle::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    void build() {
        SettingsActions actions;
        actions.settingsChanged = [this] { ++settingsChanged; };
        model = std::make_unique<BetaSettingsModel>(actions);
        editor = std::make_unique<JobEditor>(*model);
        editor->resize(420, 700);
        editor->show();
    }

    QStringList titles() const {
        QStringList result;
        for (CheckRow* row : editor->list()->rows()) result << row->title();
        return result;
    }
    QList<int> checked() const {
        QList<int> result;
        const auto& rows = editor->list()->rows();
        for (int i = 0; i < rows.size(); ++i)
            if (rows[i]->isChecked()) result << i;
        return result;
    }
    QStringList logLines() const {
        QFile file(AppLog::fileURL());
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList lines;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            lines << line.section(QStringLiteral("] "), 1);
        return lines;
    }

    TestHome home;
    MemoryDefaults defaults;
    FakeBundle bundle;
    int settingsChanged = 0;
    std::unique_ptr<BetaSettingsModel> model;
    std::unique_ptr<JobEditor> editor;
};

TEST_F(JobEditorTest, ListsTheTenOccupationsWithTheEmptyOneMarkedAtFirst) {
    build();
    EXPECT_EQ(titles(), (QStringList{"指定なし", "エンジニア（IT）", "広告・マーケティング", "営業", "経理・財務", "法務・法律",
                                     "医療・介護", "建築・建設", "製造・現場", "不動産"}));
    EXPECT_EQ(checked(), QList<int>{0});
    for (CheckRow* row : editor->list()->rows()) EXPECT_EQ(row->subtitleLabel(), nullptr);
}

TEST_F(JobEditorTest, TappingARowStoresItLogsAndTellsTheShellEvenWhenAlreadyMarked) {
    build();
    editor->list()->rows()[2]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("field")).toString(), QStringLiteral("marketing"));
    EXPECT_EQ(model->field(), QStringLiteral("marketing"));
    EXPECT_EQ(checked(), QList<int>{2});
    EXPECT_EQ(settingsChanged, 1);

    editor->list()->rows()[2]->click();
    EXPECT_EQ(settingsChanged, 2);
    editor->list()->rows()[0]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("field")).toString(), QString());
    EXPECT_EQ(checked(), QList<int>{0});
    EXPECT_EQ(logLines(), (QStringList{"変換の分野: marketing", "変換の分野: marketing", "変換の分野: 標準"}));
}

TEST_F(JobEditorTest, AStoredValueOutsideTheTableMarksNothingUntilARowIsTapped) {
    defaults.set(QStringLiteral("field"), QStringLiteral("astronaut"));
    build();
    EXPECT_TRUE(checked().isEmpty());
    editor->list()->rows()[9]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("field")).toString(), QStringLiteral("realestate"));
    EXPECT_EQ(checked(), QList<int>{9});
}

TEST_F(JobEditorTest, FollowsTheModelWhenTheFieldChangesElsewhere) {
    build();
    defaults.set(QStringLiteral("field"), QStringLiteral("legal"));
    model->reload();
    EXPECT_EQ(checked(), QList<int>{5});
}

}  // namespace
