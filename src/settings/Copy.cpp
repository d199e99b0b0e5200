#include "settings/Copy.h"

namespace {

Copy::Item item(const char* icon, const char* title, const char* detail) {
    return {QString::fromUtf8(icon), QString::fromUtf8(title), QString::fromUtf8(detail)};
}

}  // namespace

const Copy::Table& Copy::cleanupStyles() {
    static const Table table = {
        {QStringLiteral("off"), item("waveform", "整えない", "話したとおりに入力します。いちばん速い。")},
        {QStringLiteral("standard"),
         item("wand.and.stars", "読みやすくする", "言い方はそのままで、誤字や言い直しだけ直します。")},
        {QStringLiteral("formal"), item("briefcase.fill", "ていねいに", "敬語にします。取引先に送る文にも使えます。")},
        {QStringLiteral("junior"),
         item("person.2.fill", "指示を伝える", "頼みごとがはっきり伝わる、感じのいい言い方にします。")},
        {QStringLiteral("friend"), item("hand.wave.fill", "くだけた言い方", "友達に送るような、かたくない文にします。")},
        {QStringLiteral("lover"), item("heart.fill", "やわらかい言い方", "親しい相手に向けた、あたたかい文にします。")},
    };
    return table;
}

const Copy::Table& Copy::newlineStyles() {
    static const Table table = {
        {QStringLiteral("off"), item("text.alignleft", "入れない", "改行を入れず、ひと続きの文章にします。")},
        {QStringLiteral("line"), item("text.justify", "改行する", "話の切れ目で改行します。行は空けません。")},
        {QStringLiteral("blank"),
         item("text.append", "1行空ける", "話の切れ目で改行し、あいだに1行空けます。段落がはっきり分かれます。")},
        {QStringLiteral("smart"),
         item("wand.and.stars", "使い分ける",
              "同じ話題のあいだは改行するだけ、話題が変わるところだけ1行空けます。長く話したときに読みやすくなります。")},
    };
    return table;
}

const Copy::Table& Copy::outputLanguages() {
    static const Table table = {
        {QStringLiteral("spoken"),
         item("text.bubble.fill", "話したまま",
              "話した通りの言語で文字にします。日本語で話せば日本語、英語で話せば英語のまま出ます。")},
        {QStringLiteral("keyboard"),
         item("keyboard.fill", "キーボードに合わせる",
              "いまのキーボードの言語で文字にします。日本語キーボードなら英語で話しても日本語に、"
              "英語キーボードなら日本語で話しても英語になります。Max で「文章の整え」が入のときだけ働きます。")},
    };
    return table;
}

const Copy::Table& Copy::qualityTiers() {
    static const Table table = {
        {QStringLiteral("low"),
         item("bolt.fill", "Low", "いちばん軽くて速い段です。" "少し間違うことがあり、文章は整えません。")},
        {QStringLiteral("middle"),
         item("cloud.fill", "High", "ふだん使いはこれで足ります。正確で、文章も整えます。人に送る文はこちら。")},
        {QStringLiteral("high"),
         item("sparkles", "Max", "清書や議事録など、精度が要る場面に。" "そのぶん、文字が出るまで少し時間がかかります。")},
    };
    return table;
}

const Copy::IntTable& Copy::inputQualities() {
    static const IntTable table = {
        {100, item("speedometer", "100%", "いちばん正確です。")},
        {90, item("speedometer", "90%", "精度はほとんど変わりません。")},
        {80, item("speedometer", "80%", "これまでと同じ既定値。")},
        {70, item("speedometer", "70%", "精度がわずかに落ちはじめます。")},
        {60, item("speedometer", "60%", "精度は落ちます。")},
    };
    return table;
}

const Copy::Table& Copy::modeSelectStyles() {
    static const Table table = {
        {QStringLiteral("persistent"),
         item("pin.fill", "いつも同じ",
              "上で選んだ整えかたを、いつも使います。話している間に ← → を押すと、その場で別の整えかたに変えられます。")},
        {QStringLiteral("session"),
         item("hand.tap.fill", "話すたびに選ぶ",
              "ふだんは整えません。キーを押しながら矢印を押すと、その1回だけ整えかたが決まります。"
              "↑ ていねいに\u3000↓ 指示を伝える\u3000← くだけた言い方\u3000→ やわらかい言い方。指を離すと元に戻ります。")},
    };
    return table;
}

const std::map<QString, QString>& Copy::styleHints() {
    static const std::map<QString, QString> table = {
        {QStringLiteral("standard"), QStringLiteral("例: 箇条書きは崩さない。英数字は半角。文の終わりに「。」を付けない。")},
        {QStringLiteral("formal"), QStringLiteral("例: 絵文字は使わない。「〜です」「〜します」を中心にする。")},
        {QStringLiteral("junior"),
         QStringLiteral("例: 命令する言い方にしない。「〜してもらえますか」と頼む。最後にお礼を書く。")},
        {QStringLiteral("friend"), QStringLiteral("例: 語尾は「っす」。ときどき「w」を付ける。")},
        {QStringLiteral("lover"), QStringLiteral("例: 相手の呼び方は「ゆうちゃん」。最後にひとことねぎらいを書く。")},
    };
    return table;
}

std::optional<Copy::Item> Copy::find(const Table& table, const QString& key) {
    const auto it = table.find(key);
    if (it == table.end()) return std::nullopt;
    return it->second;
}

std::optional<Copy::Item> Copy::find(const IntTable& table, int key) {
    const auto it = table.find(key);
    if (it == table.end()) return std::nullopt;
    return it->second;
}

std::optional<QString> Copy::styleHint(const QString& style) {
    const auto it = styleHints().find(style);
    if (it == styleHints().end()) return std::nullopt;
    return it->second;
}
