#include "textio/ScreenshotPaste.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Toast.h"
#include "platform/Clock.h"
#include "platform/ImageCodec.h"
#include "platform/SerialQueue.h"
#include "platform/SyntheticKeys.h"
#include "textio/TextInserter.h"

#include <QFileInfo>
#include <utility>

namespace {

const QString kPng = QStringLiteral("image/png");

QString withoutTrailingSlashes(QString path) {
    while (path.size() >= 2 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}

bool hasControlCharacter(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
    return false;
}

// The path as one shell word: a terminal runs what is typed once the user presses Return, and a
// name may hold blanks ("Screenshot from …"), quotes, $() or backticks.
QString shellQuoted(const QString& path) {
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// A path as it goes into the log: one line, whatever the file is called.
QString printable(QString path) {
    for (QChar& c : path)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) c = QChar(0xfffd);
    return path;
}

}  // namespace

template <typename Fn>
std::function<void()> ScreenshotPaste::guarded(Fn fn) {
    return [weak = std::weak_ptr<ScreenshotPaste*>(alive_), fn = std::move(fn)]() mutable {
        if (auto strong = weak.lock()) fn(**strong);
    };
}

ScreenshotPaste::ScreenshotPaste(Services services)
    : s_(std::move(services)), alive_(std::make_shared<ScreenshotPaste*>(this)) {}

ScreenshotPaste::~ScreenshotPaste() {
    alive_.reset();
    if (pending_) MainQueue::cancel(pending_->timer);
    worker_.reset();  // finishes a running scan; its outcome finds us gone
}

const QSet<QString>& ScreenshotPaste::screenshotImageExtensions() {
    static const QSet<QString> extensions = {QStringLiteral("png"),  QStringLiteral("jpg"),  QStringLiteral("jpeg"),
                                             QStringLiteral("heic"), QStringLiteral("tiff"), QStringLiteral("gif")};
    return extensions;
}

QString ScreenshotPaste::screenshotSaveFolder() const { return s_.folder.saveFolder(); }

void ScreenshotPaste::runInBackground(std::function<void()> work) {
    if (s_.background) return s_.background(std::move(work));
    if (!worker_) worker_ = std::make_unique<SerialQueue>(QStringLiteral("screenshot-paste"));
    worker_->post(std::move(work));
}

// ---------------------------------------------------------------------------------------------
// Finding the screenshot

std::optional<QString> ScreenshotPaste::findNewestScreenshot(const FolderListing& listing) {
    QList<const FolderEntry*> candidates;
    bool anyCapture = false;
    for (const FolderEntry& entry : listing.entries) {
        if (!screenshotImageExtensions().contains(QFileInfo(entry.name).suffix().toLower())) continue;
        if (!entry.isRegularFile || !entry.modified) continue;
        candidates.append(&entry);
        anyCapture = anyCapture || entry.isScreenCapture;
    }
    const FolderEntry* best = nullptr;
    for (const FolderEntry* candidate : candidates) {
        if (anyCapture && !candidate->isScreenCapture) continue;
        // Strictly later only: of equal times the one listed first stays.
        if (!best || *candidate->modified > *best->modified) best = candidate;
    }
    if (!best) return std::nullopt;
    return best->path;
}

void ScreenshotPaste::pasteScreenshot() {
    const QString folder = s_.folder.saveFolder();
    const QString desktop = s_.folder.desktopFolder();
    ScreenshotFolder* folders = &s_.folder;
    runInBackground([folders, folder, desktop, weak = std::weak_ptr<ScreenshotPaste*>(alive_)] {
        ScanOutcome outcome;
        outcome.folder = folder;
        FolderListing listing = folders->list(folder);
        if (listing.error == FolderListing::Error::Missing &&
            withoutTrailingSlashes(folder) != withoutTrailingSlashes(desktop)) {
            AppLog::write(QStringLiteral("スクショ貼り付け: 設定の保存先が無いのでデスクトップへ倒す（") + printable(folder) +
                          QStringLiteral("）"));
            outcome.folder = desktop;
            listing = folders->list(desktop);
        }
        if (listing.error != FolderListing::Error::None)
            outcome.failure = std::move(listing);
        else
            outcome.file = findNewestScreenshot(listing);
        MainQueue::post([weak, outcome = std::move(outcome)] {
            if (auto strong = weak.lock()) (**strong).handleScan(outcome);
        });
    });
}

QString ScreenshotPaste::folderDisplayName(const QString& folder) {
    const QString path = withoutTrailingSlashes(folder);
    const QString component = path == QLatin1String("/") ? path : path.section(QLatin1Char('/'), -1);
    if (component == QLatin1String("Desktop")) return QStringLiteral("デスクトップ");
    if (component == QLatin1String("Documents")) return QStringLiteral("書類");
    if (component == QLatin1String("Downloads")) return QStringLiteral("ダウンロード");
    return QStringLiteral("保存先フォルダ「") + component + QStringLiteral("」");
}

void ScreenshotPaste::handleScan(const ScanOutcome& outcome) {
    if (outcome.failure && outcome.failure->error == FolderListing::Error::AccessDenied) {
        AppLog::write(QStringLiteral("スクショ貼り付け: 保存先の読み取りが許可されていない（") + printable(outcome.folder) +
                      QStringLiteral("）"));
        // Reading a folder is a matter of its file permissions here: no settings page grants it.
        const QString name = outcome.folder == s_.folder.desktopFolder() ? QStringLiteral("デスクトップ")
                                                                         : folderDisplayName(outcome.folder);
        Toast::show(name + QStringLiteral("の読み取りが許可されていません。フォルダの権限を確認してください"), std::nullopt, 4.0);
        return;
    }
    if (outcome.failure) {
        AppLog::write(QStringLiteral("スクショ貼り付け: 保存先を読めない（") + outcome.failure->message + QStringLiteral("）"));
        Toast::show(QStringLiteral("スクリーンショットの保存先を読めません。フォルダの権限を確認してください"), std::nullopt, 2.5);
        return;
    }
    if (!outcome.file) {
        AppLog::write(QStringLiteral("スクショ貼り付け: 保存先に画像が無い（") + printable(outcome.folder) + QStringLiteral("）"));
        Toast::show(QStringLiteral("スクリーンショットが見つかりません"), std::nullopt, 1.6);
        return;
    }
    const QString file = *outcome.file;
    waitForModifierRelease(Clock::monotonicNow() + kReleaseDeadline,
                           [weak = std::weak_ptr<ScreenshotPaste*>(alive_), file](bool released) {
                               if (auto strong = weak.lock()) (**strong).finishScreenshotPaste(released, file);
                           });
}

// ---------------------------------------------------------------------------------------------
// Waiting for the shortcut's keys

void ScreenshotPaste::waitForModifierRelease(double deadline, std::function<void(bool)> completion) {
    bool held = false;
    if (s_.isKeyDown)
        for (int key : kModifierKeys)
            if (s_.isKeyDown(key)) {
                held = true;
                break;
            }
    if (!held) return completion(true);
    if (Clock::monotonicNow() < deadline) {
        MainQueue::after(kReleasePoll, guarded([deadline, completion = std::move(completion)](ScreenshotPaste& self) {
                             self.waitForModifierRelease(deadline, completion);
                         }));
        return;
    }
    completion(false);
}

void ScreenshotPaste::finishScreenshotPaste(bool released, const QString& file) {
    if (!released) {
        AppLog::write(QStringLiteral("スクショ貼り付け: 2秒待っても修飾キーが離れず断念"));
        Toast::show(QStringLiteral("キーを離してからもう一度押してください"), std::nullopt, 1.0);
        return;
    }
    s_.inserter.isTerminalFrontmost([weak = std::weak_ptr<ScreenshotPaste*>(alive_), file](bool terminal) {
        auto strong = weak.lock();
        if (!strong) return;
        ScreenshotPaste& self = **strong;
        if (terminal && !AppPrefs::screenshotPasteImageInTerminal()) {
            if (hasControlCharacter(file)) {
                // Typed into a terminal, a line break in the name would run the command line.
                AppLog::write(QStringLiteral("スクショ貼り付け: ファイル名に制御文字があるのでパスを入力しない（") +
                              printable(file) + QStringLiteral("）"));
                Toast::show(QStringLiteral("ファイル名に制御文字があるため、パスを入力できません"), std::nullopt, 2.0);
                return;
            }
            AppLog::write(QStringLiteral("スクショ貼り付け(パス): ") + file);
            self.s_.inserter.insert(shellQuoted(file));
            return;
        }
        AppLog::write(QStringLiteral("スクショ貼り付け(画像") + (terminal ? QStringLiteral("/端末") : QString()) +
                      QStringLiteral("): ") + printable(file));
        self.pasteScreenshotImage(file, terminal);
    });
}

// ---------------------------------------------------------------------------------------------
// The picture on the clipboard

void ScreenshotPaste::pasteScreenshotImage(const QString& file, bool terminal) {
    ScreenshotFolder* folders = &s_.folder;
    ImageCodec* images = &s_.images;
    runInBackground([folders, images, file, terminal, weak = std::weak_ptr<ScreenshotPaste*>(alive_)] {
        // A PNG goes on the clipboard byte for byte once it is known to decode; other formats as
        // a PNG of the decoded picture.
        std::optional<QByteArray> png;
        if (auto bytes = folders->readFile(file, kMaxImageBytes)) {
            if (QFileInfo(file).suffix().toLower() == QLatin1String("png")) {
                if (images->decodes(*bytes)) png = std::move(*bytes);
            } else {
                png = images->toPng(*bytes);
            }
        }
        MainQueue::post([weak, file, terminal, png = std::move(png)] {
            auto strong = weak.lock();
            if (!strong) return;
            if (!png) {
                AppLog::write(QStringLiteral("スクショ貼り付け: 画像として読めない（") + printable(file) + QStringLiteral("）"));
                Toast::show(QStringLiteral("スクリーンショットを画像として読めませんでした"), std::nullopt, 2.0);
                return;
            }
            (**strong).writeImage(file, *png, terminal, 0);
        });
    });
}

void ScreenshotPaste::writeImage(const QString& file, const QByteArray& png, bool terminal, int attempt) {
    auto retry = [&] {
        MainQueue::after(kClaimRetry, guarded([file, png, terminal, attempt](ScreenshotPaste& self) {
                             self.writeImage(file, png, terminal, attempt + 1);
                         }));
    };
    std::optional<PasteboardContents> saved;
    if (!AppPrefs::keepInsertedTextOnClipboard()) {
        if (pending_ && s_.pasteboard.changeCount() == pending_->change) {
            // An earlier screenshot of ours is still on the clipboard, waiting to be replaced by
            // what the user had: that is what comes back after this one too.
            saved = pending_->saved;
        } else if (!s_.pasteboard.inStep() && attempt + 1 < kClaimAttempts) {
            // Another program has just taken the clipboard and we have not caught up yet.
            return retry();
        } else {
            saved = s_.pasteboard.snapshot();
        }
    }
    const quint64 change = s_.pasteboard.restore(PasteboardContents{{{kPng, png}}});
    if (change == Pasteboard::kRefused) {
        if (attempt + 1 < kClaimAttempts) return retry();
        AppLog::write(QStringLiteral("スクショ貼り付け: クリップボードを取得できず貼り付けなかった"));
        Toast::show(QStringLiteral("スクリーンショットを貼り付けられませんでした"), std::nullopt, 2.0);
        return;
    }
    if (pending_) MainQueue::cancel(pending_->timer);
    pending_.reset();

    if (terminal)
        s_.inserter.postControlKey(KeyIds::V, u'\u0016');
    else
        s_.inserter.postPaste();

    if (!saved) return;
    pending_ = PendingRestore{std::move(*saved), change, Clock::monotonicNow(), 0};
    pending_->timer = MainQueue::after(terminal ? kTerminalRestoreDelay : kRestoreDelay,
                                       guarded([](ScreenshotPaste& self) { self.restoreWhenFetched(); }));
}

void ScreenshotPaste::restoreWhenFetched() {
    if (!pending_) return;
    pending_->timer = 0;
    if (s_.pasteboard.changeCount() != pending_->change) {
        // The user (or another program) has put something new on the clipboard: keep it.
        AppLog::write(QStringLiteral("スクショ貼り付け: クリップボードが他で変わったので復元しない"));
        pending_.reset();
        return;
    }
    // Putting the old contents back before the target has fetched the picture would paste them.
    if (!s_.pasteboard.latestWriteWasRead() &&
        Clock::monotonicNow() - pending_->writtenAt + 1e-9 < kReadWaitLimit) {
        pending_->timer = MainQueue::after(kReadPoll, guarded([](ScreenshotPaste& self) { self.restoreWhenFetched(); }));
        return;
    }
    const PasteboardContents saved = std::move(pending_->saved);
    pending_.reset();
    s_.pasteboard.restore(saved);
}

// ---------------------------------------------------------------------------------------------

void ScreenshotPaste::resetFolderAccess() {
    AppLog::write(QStringLiteral("スクショ貼り付け: フォルダの読み取りはファイルの権限で決まるので、リセットする許可は無い"));
    Toast::show(QStringLiteral("リセットする許可はありません。フォルダの読み取りはファイルの権限で決まります"), std::nullopt, 2.5);
}
