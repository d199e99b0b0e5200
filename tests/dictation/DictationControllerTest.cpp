// The push-to-talk loop on fakes and the virtual clock: press and release rules, the roads a
// recording takes, the race, delivery and the user's messages.
#include "dictation/DictationController.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/StatusFile.h"
#include "core/Toast.h"
#include "dictation/GestureSelect.h"
#include "dictation/HotKeyMonitor.h"
#include "dictation/InputSources.h"
#include "dictation/Recorder.h"
#include "dictation/RecordingHUD.h"
#include "platform/KeyCodes.h"
#include "platform/SyntheticKeys.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeAudioInput.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/fake/FakeInputSourceService.h"
#include "platform/fake/FakeKeyEventSource.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakePointer.h"
#include "platform/fake/FakeSounds.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "platform/fake/FakeSyntheticKeys.h"
#include "platform/fake/FakeTimePitch.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"
#include "recognition/LocalRecognizer.h"
#include "platform/fake/FakeSpeechAnalyzer.h"
#include "recognition/SpeechEngine26.h"
#include "textio/ContextCapture.h"
#include "textio/CorrectionBar.h"
#include "textio/SelectionCopier.h"
#include "textio/TextInserter.h"
#include "TestHome.h"

#include <QFile>
#include <gtest/gtest.h>

using Step = FakeSpeechRecognizer::Step;

namespace {

struct RecordingStatusFile final : StatusFile {
    int transcribed = 0;
    QStringList apiErrors;
    void noteTranscribed() override { ++transcribed; }
    void noteAPIError(const QString& message) override { apiErrors << message; }
};

struct RecordingBar final : CorrectionBar {
    QStringList shown;
    void show(const QString& text, bool autoClose) override {
        EXPECT_TRUE(autoClose);
        shown << text;
    }
};

// The panel as the controller drives it: whether it is wanted on screen, and whether an earlier
// recording left its window.
struct TrackingHUD final : RecordingHUD {
    bool wanted = false;
    bool made = false;
    void show() override { wanted = true; }
    void hide() override { wanted = false; }
    bool exists() const override { return made; }
};

struct RecordingToasts final : ToastPresenter {
    QStringList messages;
    void show(const QString& message, std::optional<QPointF>, double) override { messages << message; }
};

struct CountingCopier final : SelectionCopier {
    int starts = 0, stops = 0;
    void start() override { ++starts; }
    void stop() override { ++stops; }
};

RunningApplication editor(qint32 pid = 4242) {
    RunningApplication app;
    app.pid = pid;
    app.name = QStringLiteral("Editor");
    app.identifier = QStringLiteral("org.example.editor");
    app.window = 0x500000u + quint64(pid);
    return app;
}

class DictationControllerTest : public ::testing::Test {
protected:
    DictationControllerTest() {
        AppPrefs::setDefaults(&defaults);
        ToastPresenter::install(&toasts);
        defaults.set("spokenLanguage", "en");
        defaults.set("triggerKeyCode", 60);
        english = provider.add("en-US");
        workspace.frontmost = editor();
        keys.onPost = [this](const FakeSyntheticKeys::Chord& chord) {
            if (chord.keyId == KeyIds::V) {
                pasted << pasteboard.text().value_or(QString());
                pastedInto << (workspace.frontmost ? workspace.frontmost->pid : 0);
                pasteboard.readByOtherProgram();
            }
        };
        controller = std::make_unique<DictationController>(
            DictationController::Services{monitor, recorder, gesture, inputSources, sounds, timePitch, local, transcriber,
                                          context, inserter, workspace, hud, bar, statusFile, copier},
            DictationController::Shell{[] {}, [this] { retryTextAtLastMenuBuild = bar.lastInsertedText; }, [] {}, [this](const QString& text) { toolTip = text; },
                                       [this] { return trusted; }, [this] { ++prompts; }, [](const QString&) {}, [] {}});
    }
    ~DictationControllerTest() override {
        controller.reset();
        ToastPresenter::install(nullptr);
    }

    // ---- driving
    void press() {
        controller->triggerDown();
        queue.runPending();
    }
    void release() {
        controller->triggerUp();
        queue.runPending();
    }
    // Speech for `seconds`: the audio the microphone hands over while the clock moves on.
    void talk(double seconds) {
        audio.feed(size_t(seconds * 16000), 0.3f);
        queue.advance(seconds);
    }
    void hold(double seconds) {
        press();
        talk(seconds);
        release();
    }
    // Answers the pending service requests in order: pings with 200, the first request to `path`
    // with `response`.
    void answer(const QString& path, const HttpResponse& response) {
        for (;;) {
            const auto requests = http.requests();
            ASSERT_GT(http.pendingCount(), 0u) << "no request to " << path.toStdString();
            const HttpRequest& next = requests.at(requests.size() - http.pendingCount());
            const bool match = next.url.path().endsWith(path);
            http.completeNext(match ? response : HttpResponse::reply(200, "{}"));
            if (match) break;
        }
        queue.runPending();
    }
    // The body of the last request to `path` (empty when there was none).
    QByteArray sent(const QString& path) const {
        const auto requests = http.requests();
        for (auto it = requests.rbegin(); it != requests.rend(); ++it)
            if (it->url.path().endsWith(path)) return it->body.value_or("-");
        return {};
    }
    static bool hasField(const QByteArray& body, const QByteArray& name, const QByteArray& value) {
        return body.contains("name=\"" + name + "\"\r\n\r\n" + value + "\r\n");
    }
    void answerText(const QString& text) {
        answer("/v1/transcribe", HttpResponse::reply(200, QStringLiteral("{\"text\":\"%1\"}").arg(text).toUtf8()));
    }
    QStringList log() const { return home.logLines(); }
    bool logged(const QString& line) const { return log().contains(line); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    RecordingToasts toasts;
    FakeKeyEventSource keySource;
    HotKeyMonitor monitor{keySource};
    FakeAudioInput audio;
    Recorder recorder{audio};
    FakePointer pointer;
    GestureSelect gesture{pointer};
    FakeInputSourceService inputService;
    InputSources inputSources{inputService};
    FakeSounds sounds;
    FakeTimePitch timePitch;
    FakeSpeechRecognizerProvider provider;
    std::shared_ptr<FakeSpeechRecognizer> english;
    FakeSpeechAnalyzer analyzer26;
    SpeechEngine26 engine26{analyzer26};
    LocalRecognizer local{provider, engine26, [] { return true; }, [](std::function<void()> task) { MainQueue::post(std::move(task)); }};
    FakeHttpClient http;
    Transcriber transcriber{http};
    FakeAccessibility accessibility;
    ContextCapture context{accessibility};
    FakePasteboard pasteboard;
    FakeSyntheticKeys keys;
    FakeWorkspace workspace;
    TextInserter inserter{pasteboard, keys, workspace, nullptr};
    TrackingHUD hud;
    RecordingBar bar;
    RecordingStatusFile statusFile;
    CountingCopier copier;
    std::unique_ptr<DictationController> controller;

    bool trusted = true;
    int prompts = 0;
    QString toolTip;
    QString retryTextAtLastMenuBuild;  // the text the menu's retry entry had to offer
    QStringList pasted;
    QList<qint32> pastedInto;  // the frontmost application at each paste
};

}  // namespace

// ---- press and release rules

TEST_F(DictationControllerTest, HoldThresholdDefersTheStartSoundAndDropsShorterTaps) {
    defaults.set("holdThreshold", 0.3);
    press();
    talk(0.2);
    release();
    EXPECT_FALSE(controller->isRecording());
    queue.advance(1.0);
    EXPECT_TRUE(sounds.requested().isEmpty());
    press();
    queue.advance(0.29);
    EXPECT_TRUE(sounds.requested().isEmpty());
    queue.advance(0.02);
    EXPECT_EQ(sounds.requested(), QStringList{"Purr"});
}

// A tap shorter than the hold threshold is no recording: a flick during it and arrow keys that are
// handled once it is over change the choices but leave the panel hidden.
TEST_F(DictationControllerTest, ATapWithAnArrowOrAFlickLeavesThePanelHidden) {
    defaults.set("holdThreshold", 0.3);
    defaults.set("serviceKey", "k");
    controller->startMonitoring();
    for (const bool session : {false, true}) {
        SCOPED_TRACE(session ? "session mode" : "persistent mode");
        AppPrefs::setQualityLevel("high");
        defaults.set("modeSelectStyle", session ? "session" : "persistent");
        hud.made = session;  // the second round has the window of an earlier recording
        press();
        ASSERT_TRUE(hud.wanted);
        pointer.moveBy(0, 80);  // up: "formal" in session mode
        queue.advance(0.1);
        EXPECT_TRUE(controller->arrowKeyWhileRecording(124));
        EXPECT_TRUE(controller->arrowKeyWhileRecording(126));
        controller->triggerUp();
        EXPECT_FALSE(controller->isRecording());
        queue.advance(1.0);
        EXPECT_FALSE(hud.wanted);
        EXPECT_EQ(AppPrefs::qualityLevel(), "low");  // the arrow still counted
    }
}

// ---- tails and roads

// Short press, style "off": 0.5 s more, then a local text of up to 25 characters at once, else the race.
TEST_F(DictationControllerTest, ShortPressWithStyleOffRecordsHalfASecondMoreThenTriesLocalFirst) {
    AppPrefs::setQualityLevel("high");
    defaults.set("cleanup", false);
    english->script = {Step::final(0.2, QString(25, QLatin1Char('a')))};
    hold(0.8);
    queue.advance(0.49);
    EXPECT_TRUE(controller->isRecording());
    queue.advance(0.02);
    EXPECT_FALSE(controller->isRecording());
    queue.advance(3.0);
    EXPECT_EQ(pasted, QStringList{QString(25, QLatin1Char('a'))});
    EXPECT_TRUE(sent("/v1/transcribe").isEmpty());
    EXPECT_EQ(sounds.requested(), (QStringList{"Purr", "Frog", "Morse"}));
    english->script = {Step::final(0.2, QString(26, QLatin1Char('b')))};
    hold(0.5);
    queue.advance(3.0);
    EXPECT_FALSE(sent("/v1/transcribe").isEmpty());
    EXPECT_EQ(pasted.size(), 1);
}

// A short press with a style still goes to the service (after its 0.5 s); a long hold after 0.25 s.
TEST_F(DictationControllerTest, ServiceRoadTails) {
    AppPrefs::setQualityLevel("high");
    defaults.set("cleanupStyle", "standard");
    hold(0.8);
    queue.advance(0.5);
    EXPECT_TRUE(hasField(sent("/v1/transcribe"), "style", "standard"));
    answerText("one");
    defaults.set("cleanup", false);
    hold(3.0);
    queue.advance(0.24);
    EXPECT_FALSE(hasField(sent("/v1/transcribe"), "style", "off"));
    queue.advance(0.02);
    EXPECT_TRUE(hasField(sent("/v1/transcribe"), "style", "off"));
}

TEST_F(DictationControllerTest, LowQualityTakesTheLocalRoadOnlyWhateverTheStyle) {
    defaults.set("cleanupStyle", "formal");
    english->script = {Step::final(0.2, "meeting notes")};
    hold(3.0);
    queue.advance(0.44);
    EXPECT_TRUE(english->recognitions().empty());
    queue.advance(5.0);
    EXPECT_EQ(pasted, QStringList{"meeting notes"});
    // The recogniser heard the recording while it was recorded.
    ASSERT_EQ(english->streams.size(), 1u);
    EXPECT_EQ(english->recognitions().at(0)->request.stream, english->streams[0]);
    EXPECT_EQ(english->streams[0]->received.size(), 3 * 32000);
    EXPECT_TRUE(english->recognitions().at(0)->wav.mid(44).startsWith(english->streams[0]->received));
    EXPECT_TRUE(http.requests().empty());  // no credential: no ping, no cleanup
}

// Presses start and finish; with style "off" up to 1.0 s goes local first, longer races the service.
TEST_F(DictationControllerTest, ToggleModeFinishesOnPressesAndRoutesByLength) {
    defaults.set("holdToTalk", false);
    AppPrefs::setQualityLevel("high");
    defaults.set("cleanup", false);
    english->script = {Step::final(0.2, "ok")};
    press();
    talk(0.5);
    release();
    EXPECT_TRUE(controller->isRecording());
    press();  // the recorder pads 0.4 s of silence: a 0.9 s recording
    EXPECT_FALSE(controller->isRecording());
    queue.advance(3.0);
    EXPECT_EQ(pasted, QStringList{"ok"});
    EXPECT_TRUE(sent("/v1/transcribe").isEmpty());
    press();
    talk(0.7);
    press();
    EXPECT_FALSE(sent("/v1/transcribe").isEmpty());
}

TEST_F(DictationControllerTest, RecorderReturningNothingLeavesTheControllerIdle) {
    press();
    release();  // nothing was fed: too short
    queue.advance(0.6);
    EXPECT_TRUE(!controller->isBusy() && sounds.requested() == QStringList{"Purr"});
}

// A microphone that cannot be opened (no sound server) is told in a toast; nothing is recorded or sent.
TEST_F(DictationControllerTest, MicrophoneThatCannotBeOpenedIsToldInAToast) {
    audio.failStart = true;
    hold(1.0);
    queue.advance(3.0);
    EXPECT_FALSE(controller->isRecording());
    EXPECT_FALSE(controller->isBusy());
    EXPECT_EQ(toasts.messages, QStringList{QStringLiteral(
                                   "マイクを開けませんでした。サウンドサーバーが動いているか、マイクがつながっているかを確かめてください")});
    EXPECT_EQ(statusFile.apiErrors, toasts.messages);
    EXPECT_TRUE(http.requests().empty());
    EXPECT_TRUE(pasted.isEmpty());
}

// The microphone goes away mid-way (the sound server ended): the user is told, what was heard
// until then is still recognised and pasted, and the release afterwards ends nothing more.
TEST_F(DictationControllerTest, MicrophoneLostMidwayIsToldAndWhatWasHeardIsStillPasted) {
    english->script = {Step::final(0.2, "half a sentence")};
    controller->startMonitoring();
    press();
    talk(1.5);
    audio.lose();
    queue.runPending();
    EXPECT_FALSE(controller->isRecording());
    EXPECT_EQ(toasts.messages, QStringList{QStringLiteral(
                                   "録音中にマイクが使えなくなりました。サウンドサーバーが動いているか、マイクがつながっているかを確かめてください")});
    EXPECT_EQ(statusFile.apiErrors, toasts.messages);
    release();
    queue.advance(5.0);
    EXPECT_EQ(pasted, QStringList{"half a sentence"});
    EXPECT_EQ(english->recognitions().size(), 1u);
}

// ---- Low only: the language retry and the two failures

// Japanese speech through the English model is English nonsense: without a model for the
// language, the take ends with the missing model and nothing is pasted.
TEST_F(DictationControllerTest, LowOnlyWithoutAModelForTheLanguageSaysSoAndPastesNothing) {
    defaults.set("spokenLanguage", "ja");  // no Japanese model here
    english->script = {Step::final(0.2, "call me shoe")};
    hold(4.0);
    queue.advance(10.0);
    EXPECT_TRUE(english->recognitions().empty());
    EXPECT_TRUE(pasted.isEmpty());
    EXPECT_TRUE(logged("Low不可: 日本語の端末内モデルが未提供"));
    // Only the levels on offer are named.
    EXPECT_EQ(toolTip, "「日本語」の端末内モデルが見つかりません。アウトプットの品質を Max にしてサービスで書き起こすか、"
                       "話す言語を英語にして英語で話してください");
    EXPECT_EQ(statusFile.apiErrors, QStringList{toolTip});
    EXPECT_EQ(sounds.requested().last(), "Tink");
}

// Nothing heard in either language: said from 3 s of audio on, quiet below.
TEST_F(DictationControllerTest, LowOnlyWithBothLanguagesEmptyIsNothingHeard) {
    english->script = {Step::final(0.2, "")};
    provider.add("ja-JP")->script = {Step::final(0.2, " ")};
    hold(2.0);  // 2 s + 0.45 s tail + 0.4 s padding < 3 s
    queue.advance(10.0);
    EXPECT_TRUE(sounds.requested().filter("Tink").isEmpty());
    EXPECT_TRUE(toolTip.isEmpty());
    EXPECT_TRUE(statusFile.apiErrors.isEmpty());
    EXPECT_FALSE(controller->isBusy());
    hold(4.0);
    queue.advance(10.0);
    EXPECT_TRUE(toolTip.startsWith("4秒分の音声は録れていましたが"));
    EXPECT_EQ(statusFile.apiErrors, QStringList{toolTip});
}

TEST_F(DictationControllerTest, LowCleanupFailureInsertsTheRawText) {
    defaults.set("serviceKey", "k");
    defaults.set("lowCleanup", true);
    defaults.set("cleanupStyle", "formal");
    english->script = {Step::final(0.2, "raw words")};
    hold(2.0);
    queue.advance(3.0);
    answer("/v1/cleanup", HttpResponse::transportError("offline"));
    EXPECT_EQ(pasted, QStringList{"raw words"});
}

// ---- Low first and the race

TEST_F(DictationControllerTest, RaceTimeoutGrowsWithTheRecording) {
    EXPECT_DOUBLE_EQ(DictationController::raceTimeout(25, 3.0), 4.5);
    EXPECT_DOUBLE_EQ(DictationController::raceTimeout(290, 3.0), 25.0);
}

TEST_F(DictationControllerTest, LateCloudTextAfterTheTimeoutGoesToTheClipboard) {
    AppPrefs::setQualityLevel("high");
    english->script = {Step::final(0.1, "local words")};
    hold(2.0);
    queue.advance(0.3 + 3.0);  // tail, then past the 3 s fallback
    EXPECT_EQ(pasted, QStringList{"local words"});
    queue.advance(5.0);  // the paste burst ends and the clipboard is restored
    answerText("late cloud");
    EXPECT_EQ(pasteboard.text(), "late cloud");
    EXPECT_EQ(toasts.messages, QStringList{"正しい書き起こしが遅れて届きました。クリップボードにコピーしました"});
    EXPECT_EQ(pasted.size(), 1);
}

TEST_F(DictationControllerTest, LateCloudTextDuringTheRestoreIsNotOverwrittenByIt) {
    AppPrefs::setQualityLevel("high");
    pasteboard.setTextByOtherProgram("what the user had");
    english->script = {Step::final(0.1, "local words")};
    keys.onPost = [this](const FakeSyntheticKeys::Chord&) { pasted << pasteboard.text().value_or(QString()); };
    hold(2.0);
    queue.advance(3.3);
    ASSERT_TRUE(inserter.isInserting());  // the target has not read the clipboard yet
    answerText("late cloud");
    queue.advance(5.0);
    EXPECT_EQ(pasteboard.text(), "late cloud");
}

// Service text wins even after the local one; local text stands in for a failed service; else the failure.
TEST_F(DictationControllerTest, RaceOutcomes) {
    AppPrefs::setQualityLevel("high");
    english->script = {Step::final(0.1, "local words")};
    hold(2.0);
    queue.advance(1.0);  // tail, then the local result
    EXPECT_TRUE(pasted.isEmpty());
    answerText("クラウドの文");
    hold(2.0);
    queue.advance(0.5);
    answer("/v1/transcribe", HttpResponse::reply(503, "{\"error\":\"混雑しています\"}"));
    EXPECT_EQ(pasted, (QStringList{"クラウドの文", "local words"}));
    english->script = {Step::final(0.1, "")};
    hold(4.0);
    queue.advance(0.5);
    answer("/v1/transcribe", HttpResponse::reply(500, "{\"error\":\"壊れました\"}"));
    queue.advance(10.0);
    EXPECT_EQ(toolTip, "壊れました");
    EXPECT_EQ(statusFile.apiErrors, QStringList{"壊れました"});
}

// ---- delivery

TEST_F(DictationControllerTest, CorrectionsApplyInListOrder) {
    defaults.set("corrections", "A → B\nB → C");
    english->script = {Step::final(0.1, "A")};
    hold(2.0);
    queue.advance(5.0);
    EXPECT_EQ(pasted, QStringList{"C"});
    EXPECT_EQ(bar.lastInsertedText, "C");
    EXPECT_EQ(bar.shown, QStringList{"C"});
    EXPECT_EQ(statusFile.transcribed, 1);
}

// The user switched away meanwhile: the target is brought back, and the text is pasted only there.
TEST_F(DictationControllerTest, TargetThatComesBackGetsTheTextOtherwiseTheClipboardDoes) {
    english->script = {Step::final(0.1, "for the editor")};
    hold(2.0);
    workspace.frontmost = editor(777);
    queue.advance(0.45 + 0.4);
    ASSERT_EQ(workspace.activated.size(), 1);
    EXPECT_EQ(pasted, QStringList{"for the editor"});
    EXPECT_EQ(pastedInto, QList<qint32>{editor().pid});

    english->script = {Step::final(0.1, "left on the clipboard")};
    hold(2.0);
    workspace.frontmost = editor(777);
    workspace.activationWorks = false;
    queue.advance(0.45 + 0.4);
    EXPECT_EQ(pasted.size(), 1);
    EXPECT_EQ(pasteboard.text(), "left on the clipboard");
    EXPECT_EQ(toasts.messages, QStringList{"録音開始時の場所に戻れず貼り付けを中止。クリップボードに保存しました"});
    // Delivered to the clipboard is delivered: the success sound, the record, the bar, and the
    // menu's retry offered for this text (the menu is rebuilt once it can offer it).
    EXPECT_EQ(sounds.requested().filter("Morse").size(), 2);
    EXPECT_EQ(statusFile.transcribed, 2);
    EXPECT_EQ(bar.shown, (QStringList{"for the editor", "left on the clipboard"}));
    EXPECT_EQ(bar.lastInsertedText, "left on the clipboard");
    EXPECT_EQ(retryTextAtLastMenuBuild, "left on the clipboard");
}

// Never paste into whatever came forward when the target is gone, before or while it comes back.
TEST_F(DictationControllerTest, TargetThatQuitGetsNothingPastedIntoAnotherWindow) {
    english->script = {Step::final(0.1, "for the editor")};
    hold(2.0);
    workspace.terminatedPids << editor().pid;
    workspace.frontmost = editor(777);
    queue.advance(0.45 + 0.3);
    EXPECT_TRUE(workspace.activated.isEmpty());
    EXPECT_EQ(pasteboard.text(), "for the editor");
    EXPECT_EQ(bar.lastInsertedText, "for the editor");
    EXPECT_EQ(sounds.requested().filter("Morse").size(), 1);

    workspace.terminatedPids.clear();
    workspace.frontmost = editor();
    english->script = {Step::final(0.1, "second try")};
    hold(2.0);
    workspace.frontmost = editor(777);
    queue.advance(0.45 + 0.2);
    ASSERT_EQ(workspace.activated.size(), 1);
    workspace.terminatedPids << editor().pid;  // the window manager still names it in front
    queue.advance(0.2);
    EXPECT_TRUE(pasted.isEmpty());
    EXPECT_EQ(pasteboard.text(), "second try");
    EXPECT_EQ(toasts.messages.size(), 2);
}

// ---- mended faults

// The on-device pass takes longer than the second recording: both sends are in flight at once.
TEST_F(DictationControllerTest, PressDuringTheTailSendsThatRecordingAndStartsAFreshOne) {
    english->script = {Step::final(3.0, "first")};
    hold(4.0);
    queue.advance(0.2);
    workspace.frontmost = editor(777);  // the second recording is for another window
    press();                            // during the 0.45 s tail
    EXPECT_TRUE(controller->isRecording());
    english->script = {Step::final(3.0, "second")};
    talk(1.0);  // the first recording's tail timer would have fired meanwhile
    EXPECT_TRUE(controller->isRecording());
    release();
    queue.advance(0.6);
    ASSERT_TRUE(controller->isBusy());
    press();  // ignored while busy
    EXPECT_FALSE(controller->isRecording());
    queue.advance(10.0);
    EXPECT_EQ(pasted, (QStringList{"first", "second"}));
    EXPECT_EQ(pastedInto, (QList<qint32>{editor().pid, 777}));
    EXPECT_FALSE(sounds.requested().contains("Tink"));
    EXPECT_FALSE(controller->isBusy());
}

TEST_F(DictationControllerTest, ReleaseAfterTheLengthLimitDoesNotThrowTheRecordingAway) {
    defaults.set("holdThreshold", 0.5);
    english->script = {Step::final(0.1, "a very long talk")};
    press();
    talk(3.0);
    controller->recordingLimitReached();
    release();  // during the tail the limit started
    queue.advance(5.0);
    EXPECT_EQ(pasted, QStringList{"a very long talk"});
}

TEST_F(DictationControllerTest, TriggerWithAnotherKeyCancelsAndSendsNothing) {
    defaults.set("copyOnSelectMode", "off");
    controller->startMonitoring();
    EXPECT_EQ(copier.stops, 1);
    keySource.flagsChanged(KeyCodes::RightShift, 0x4 | KeyCodes::ShiftFlag);
    queue.runPending();
    ASSERT_TRUE(controller->isRecording());
    talk(1.5);
    keySource.keyDown(0, 0x4 | KeyCodes::ShiftFlag);  // Shift+A: the user is typing a capital
    queue.runPending();
    EXPECT_FALSE(controller->isRecording());
    keySource.flagsChanged(KeyCodes::RightShift, 0);
    queue.advance(5.0);
    EXPECT_TRUE(english->recognitions().empty());
    EXPECT_TRUE(pasted.isEmpty());
    EXPECT_EQ(sounds.requested(), QStringList{"Purr"});
}

// The text around the caret goes with the request, but only the text of the recording's own field.
TEST_F(DictationControllerTest, TheContextOfTheRecordingsOwnFieldGoesWithTheRequest) {
    defaults.set("serviceKey", "k");
    AppPrefs::setQualityLevel("high");
    defaults.set("cleanupStyle", "standard");
    auto field = std::make_shared<FakeAccessibleElement>();
    field->text = QStringLiteral("the field");
    field->selection = TextRange{field->text.size(), 0};
    accessibility.focused[editor().pid] = field;
    // Captures run in turn on their own thread; one more after the recording's waits for it.
    auto settleCaptures = [&] {
        std::atomic<bool> done = false;
        context.capture(0, [&](std::optional<ContextCapture::Snapshot>) { done = true; });
        ASSERT_TRUE(queue.waitFor([&] { return done.load(); }));
        queue.runPending();
    };
    controller->triggerDown();
    controller->cancelRecording();
    workspace.frontmost.reset();  // the next recording has no field: the old capture arrives in it
    press();
    settleCaptures();
    talk(2.0);
    release();
    queue.advance(0.3);
    EXPECT_FALSE(sent("/v1/transcribe").contains("the field"));
    answerText("one");
    workspace.frontmost = editor();
    press();
    settleCaptures();
    talk(2.0);
    release();
    queue.advance(0.3);
    EXPECT_TRUE(hasField(sent("/v1/transcribe"), "context_before", "the field"));
}

TEST_F(DictationControllerTest, SessionModeSendsTheFlickedStyleOnceThenTurnsCleanupOff) {
    defaults.set("serviceKey", "k");
    AppPrefs::setQualityLevel("high");
    defaults.set("modeSelectStyle", "session");
    defaults.set("cleanupStyle", "standard");
    controller->startMonitoring();
    press();
    pointer.moveBy(0, 80);  // up: "formal"
    queue.advance(0.1);
    EXPECT_EQ(DictationController::activeSendStyle(), "formal");
    talk(2.0);
    release();
    queue.advance(0.3);
    EXPECT_TRUE(hasField(sent("/v1/transcribe"), "style", "formal"));
    EXPECT_FALSE(AppPrefs::cleanup());
    answerText("one");
    hold(2.0);
    queue.advance(0.3);
    EXPECT_TRUE(hasField(sent("/v1/transcribe"), "style", "off"));
}

// A flick made while the level could not use cleanup (Low without a key) was ignored, and the
// panel never showed it: going back to Max before the release does not send it after all.
TEST_F(DictationControllerTest, SessionModeSendsNoFlickThePanelIgnored) {
    AppPrefs::setQualityLevel("high");
    defaults.set("modeSelectStyle", "session");
    controller->startMonitoring();
    press();
    controller->arrowKeyWhileRecording(126);  // up to Low
    queue.runPending();
    pointer.moveBy(0, 80);  // up: "formal", ignored at Low
    queue.advance(0.1);
    EXPECT_EQ(DictationController::activeSendStyle(), std::nullopt);
    controller->arrowKeyWhileRecording(125);  // back down to Max
    queue.runPending();
    talk(2.0);
    release();
    queue.advance(0.3);
    EXPECT_TRUE(hasField(sent("/v1/transcribe"), "style", "off"));
}

// ---- monitoring and the Accessibility poll

TEST_F(DictationControllerTest, UntrustedPromptsOpensTheSettingsAndPollsOnce) {
    trusted = false;
    controller->startMonitoring();
    controller->requestAccessibility();
    EXPECT_FALSE(controller->isMonitoring());
    EXPECT_EQ(log().filter(QStringLiteral("キー操作の許可がないので、そろうまで見張りを待つ（X サーバーに拡張機能 XTEST と "
                                          "XInputExtension がありません）")).size(),
              1);
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(queue.pendingTimers(), 1u);  // one poll, whatever the number of requests
    trusted = true;
    keySource.failInstall = true;  // trusted, but the display keeps the keys: the poll goes on
    queue.advance(3.0);
    EXPECT_FALSE(controller->isMonitoring());
    EXPECT_TRUE(controller->isPolling());
    EXPECT_EQ(log().filter("見張り開始: 失敗").size(), 1);
    EXPECT_TRUE(sounds.requested().isEmpty());
    keySource.failInstall = false;
    queue.advance(1.0);
    EXPECT_TRUE(controller->isMonitoring());
    EXPECT_FALSE(controller->isPolling());
    EXPECT_GT(copier.starts, 0);
    EXPECT_EQ(sounds.requested(), QStringList{"Purr"});
}

// ---- switching during a recording

TEST_F(DictationControllerTest, RightArrowStepsThroughTheStylesAndWraps) {
    defaults.set("serviceKey", "k");
    AppPrefs::setQualityLevel("high");
    defaults.set("cleanupStyle", "standard");
    press();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(controller->arrowKeyWhileRecording(124));
    queue.runPending();
    EXPECT_FALSE(AppPrefs::cleanup());
    EXPECT_EQ(AppPrefs::cleanupStyle(), "lover");  // "off" keeps the previous style stored
    controller->arrowKeyWhileRecording(123);  // left from "off"
    queue.runPending();
    EXPECT_TRUE(AppPrefs::cleanup());
    EXPECT_EQ(AppPrefs::cleanupStyle(), "lover");
    EXPECT_EQ(hud.pendingFlash, RecordingHUD::Arrow::Left);
}

// The badge belongs to this recording: an earlier send that ends meanwhile leaves it alone.
TEST_F(DictationControllerTest, LowTierArrowsChangeOnlyThisSendOrNothing) {
    english->script = {Step::final(3.0, "first")};
    hold(4.0);
    queue.advance(0.2);
    press();  // in the tail: the first recording is on its way
    EXPECT_FALSE(controller->arrowKeyWhileRecording(124));  // no credential: the key goes on
    defaults.set("serviceKey", "k");
    defaults.set("cleanupStyle", "formal");
    EXPECT_TRUE(controller->arrowKeyWhileRecording(124));
    queue.runPending();
    EXPECT_EQ(controller->sessionStyle(), "standard");  // effective "off" → next is "standard"
    EXPECT_EQ(AppPrefs::cleanupStyle(), "formal");
    talk(4.0);
    ASSERT_EQ(pasted, QStringList{"first"});
    EXPECT_EQ(DictationController::activeSendStyle(), "standard");
}

TEST_F(DictationControllerTest, UpAndDownPickTheEndsOfTheQualityList) {
    EXPECT_FALSE(controller->arrowKeyWhileRecording(126));  // idle: the key goes on
    press();
    controller->arrowKeyWhileRecording(125);
    queue.runPending();
    EXPECT_EQ(AppPrefs::qualityLevel(), "high");
    controller->arrowKeyWhileRecording(126);
    controller->arrowKeyWhileRecording(126);
    queue.runPending();
    EXPECT_EQ(AppPrefs::qualityLevel(), "low");
}

