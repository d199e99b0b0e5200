#include "core/OccupationPresets.h"

#include <QHash>

namespace OccupationPresets {

namespace {

struct Preset {
    const char* key;
    const char* label;
    const char* words;
};

// Trade terms by occupation, separated by the ideographic comma.
const Preset kPresets[] = {
    {"engineer", "ソフトウェア開発",
     "デプロイ、コミット、プッシュ、マージ、リベース、プルリク、コンフリクト、ブランチ、リポジトリ、CI/CD、マイグレーション、リファクタリング、デバッグ、ステージング、エンドポイント、クエリ、コンテナ、環境変数、API、SQL、JSON、Docker、Kubernetes、GitHub、TypeScript、React、Next.js、Node.js、AWS、Cloudflare"},
    {"marketing", "広告・マーケティング",
     "コンバージョン、CVR、CTR、CPA、CPC、ROAS、インプレッション、リーチ、エンゲージメント、ターゲティング、リターゲティング、セグメント、ファネル、リード、KPI、LTV、アトリビューション、クリエイティブ、LP、A/Bテスト、SEO、リスティング広告、Meta広告、Google広告、インフルエンサー、オーガニック、CTA、ペルソナ、ブランディング、獲得単価、配信面"},
    {"sales", "営業",
     "アポイント、商談、見積もり、受注、失注、リード、クロージング、与件、稟議、決裁、提案書、御見積書、納期、粗利、値引き、競合、深耕、新規開拓、テレアポ、展示会、フォローアップ、案件、パイプライン、ヨミ、着地見込み、予実、目標達成率、代理店、直販、キーマン、決裁者、ネクストアクション"},
    {"accounting", "経理・財務",
     "仕訳、勘定科目、売掛金、買掛金、貸借対照表、損益計算書、減価償却、消費税、源泉徴収、年末調整、決算、月次締め、監査、税理士、インボイス、適格請求書、経費精算、固定資産、引当金、キャッシュフロー、粗利益、営業利益、経常利益、貸倒、償却、振替伝票、残高照合、原価計算、予算実績"},
    {"legal", "法務・法律",
     "契約書、条項、甲、乙、瑕疵、債権、債務、損害賠償、善管注意義務、準拠法、合意管轄、秘密保持契約、NDA、利用規約、約款、免責、解除、催告、消滅時効、判例、民法、会社法、労働基準法、コンプライアンス、デューデリジェンス、株主総会、取締役会、定款、登記、印紙税、覚書、リーガルチェック、下請法、個人情報保護法"},
    {"medical", "医療・介護",
     "カルテ、バイタル、既往歴、問診、所見、処方、投薬、点滴、採血、レセプト、インフォームドコンセント、誤嚥、褥瘡、リハビリ、ケアプラン、ケアマネジャー、要介護度、服薬管理、体位変換、経過観察、主訴、転帰、サマリー、申し送り、バルーン、経管栄養、清拭、離床、認知症、看取り、訪問看護"},
    {"construction", "建築・建設",
     "躯体、施工、竣工、着工、基礎工事、配筋、型枠、コンクリート打設、鉄筋、鉄骨、木造、RC造、S造、意匠、構造計算、確認申請、現場監督、施主、内装、外装、断熱、防水、足場、養生、墨出し、納まり、施工図、竣工検査、是正、朝礼、KY活動、工程表、積算、原価、下請け、職長、安全書類、搬入、レッカー"},
    {"manufacturing", "製造・現場",
     "検品、ロット、不良率、リードタイム、段取り替え、治具、公差、旋盤、溶接、組立、出荷、在庫、かんばん、5S、ヒヤリハット、品質管理、QC工程表、歩留まり、チョコ停、可動率、外注、加工、金型、鋳造、塗装、トレーサビリティ、是正処置、標準作業、ポカヨケ、ラインバランス"},
    {"realestate", "不動産",
     "仲介、重要事項説明、媒介契約、専任媒介、レインズ、内見、築年数、坪単価、路線価、登記簿謄本、抵当権、住宅ローン、事前審査、本審査、手付金、決済、引き渡し、管理費、修繕積立金、原状回復、賃貸借契約、更新料、敷金、礼金、退去立会い、空室、利回り、収益物件、売主、買主、指値"},
};

struct Tables {
    QStringList keys;
    QHash<QString, QString> labels;
    QHash<QString, QString> words;
};

const Tables& tables() {
    static const Tables built = [] {
        Tables t;
        for (const Preset& preset : kPresets) {
            const QString key = QString::fromUtf8(preset.key);
            t.keys.append(key);
            t.labels.insert(key, QString::fromUtf8(preset.label));
            t.words.insert(key, QString::fromUtf8(preset.words));
        }
        return t;
    }();
    return built;
}

}  // namespace

const QStringList& keys() { return tables().keys; }

std::optional<QString> label(const QString& key) {
    const auto it = tables().labels.constFind(key);
    if (it == tables().labels.constEnd()) return std::nullopt;
    return *it;
}

std::optional<QString> words(const QString& key) {
    const auto it = tables().words.constFind(key);
    if (it == tables().words.constEnd()) return std::nullopt;
    return *it;
}

}  // namespace OccupationPresets
