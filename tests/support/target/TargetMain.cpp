// A window with a line edit, a text edit and a password line edit, driven over stdin and
// reporting over stdout, one line per message (texts are base64 of UTF-8):
//   commands: focus <line|text|password>   set <field> <b64>   caret <field> <utf16-pos> [<len>]
//             clip-text <b64>   clip-image <w> <h>   clip-clear   clip-report   hang <ms>   quit
//             primary-text <b64>   primary-report
//             close (the window goes away, the process stays)
//   reports:  ready <pid>   changed <field> <b64>   ok <command>   clip <format> <b64-bytes> …   clip-end
//             primary <b64> (the PRIMARY selection's text)
// With --late-clipboard the fields paste the clipboard one second after the paste chord. With
// --widgets N the window also holds N check boxes, laid out so that a breadth-first search of the
// accessibility tree meets all of them before the fields (an application of realistic size).
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QByteArray& line) {
    std::fwrite(line.constData(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QByteArray b64(const QString& text) { return text.toUtf8().toBase64(); }
QString unb64(const QByteArray& data) { return QString::fromUtf8(QByteArray::fromBase64(data)); }

// Pastes late: swallows the paste chord and reads the clipboard a second later.
class LatePaste final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool paste = key->matches(QKeySequence::Paste) ||
                           (key->key() == Qt::Key_V && key->modifiers() == Qt::ControlModifier);
        if (!paste) return false;
        QTimer::singleShot(1000, watched, [watched] {
            const QString text = QGuiApplication::clipboard()->text();
            if (auto* line = qobject_cast<QLineEdit*>(watched)) line->insert(text);
            if (auto* edit = qobject_cast<QTextEdit*>(watched)) edit->textCursor().insertText(text);
        });
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool late = app.arguments().contains(QStringLiteral("--late-clipboard"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Quendle target"));
    auto* layout = new QVBoxLayout(&window);
    auto* line = new QLineEdit;
    auto* text = new QTextEdit;
    auto* password = new QLineEdit;
    line->setObjectName(QStringLiteral("line"));
    text->setObjectName(QStringLiteral("text"));
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    text->setAcceptRichText(false);
    const qsizetype widgetsAt = app.arguments().indexOf(QStringLiteral("--widgets"));
    const int extraWidgets = widgetsAt >= 0 ? app.arguments().value(widgetsAt + 1).toInt() : 0;
    QVBoxLayout* fields = layout;
    if (extraWidgets > 0) {
        auto* boxes = new QWidget;
        auto* grid = new QGridLayout(boxes);
        for (int i = 0; i < extraWidgets; ++i) grid->addWidget(new QCheckBox(QString::number(i)), i / 40, i % 40);
        layout->addWidget(boxes);
        auto* outer = new QWidget;
        auto* inner = new QWidget(outer);
        (new QVBoxLayout(outer))->addWidget(inner);
        fields = new QVBoxLayout(inner);
        layout->addWidget(outer);
    }
    fields->addWidget(line);
    fields->addWidget(text);
    fields->addWidget(password);
    window.resize(480, 320);

    auto field = [&](const QByteArray& name) -> QWidget* {
        if (name == "line") return line;
        if (name == "text") return text;
        if (name == "password") return password;
        return nullptr;
    };
    auto contents = [&](QWidget* w) {
        if (auto* l = qobject_cast<QLineEdit*>(w)) return l->text();
        return static_cast<QTextEdit*>(w)->toPlainText();
    };
    QObject::connect(line, &QLineEdit::textChanged, [&](const QString& t) { say("changed line " + b64(t)); });
    QObject::connect(password, &QLineEdit::textChanged, [&](const QString& t) { say("changed password " + b64(t)); });
    QObject::connect(text, &QTextEdit::textChanged, [&] { say("changed text " + b64(text->toPlainText())); });
    LatePaste latePaste;
    if (late) {
        line->installEventFilter(&latePaste);
        text->installEventFilter(&latePaste);
    }

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[65536];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, n);
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = pending.left(end).trimmed().split(' ');
            pending.remove(0, end + 1);
            const QByteArray& command = words.value(0);
            QWidget* target = field(words.value(1));
            if (command == "focus" && target) {
                window.activateWindow();
                window.raise();
                target->setFocus(Qt::OtherFocusReason);
            } else if (command == "set" && target) {
                if (auto* l = qobject_cast<QLineEdit*>(target))
                    l->setText(unb64(words.value(2)));
                else
                    text->setPlainText(unb64(words.value(2)));
            } else if (command == "caret" && target) {
                const int pos = words.value(2).toInt();
                const int length = words.value(3).toInt();
                if (auto* l = qobject_cast<QLineEdit*>(target)) {
                    if (length > 0) l->setSelection(pos, length);
                    else l->setCursorPosition(pos);
                } else {
                    QTextCursor cursor = text->textCursor();
                    cursor.setPosition(pos);
                    if (length > 0) cursor.setPosition(pos + length, QTextCursor::KeepAnchor);
                    text->setTextCursor(cursor);
                }
            } else if (command == "clip-text") {
                QGuiApplication::clipboard()->setText(unb64(words.value(1)));
            } else if (command == "clip-image") {
                QImage image(words.value(1).toInt(), words.value(2).toInt(), QImage::Format_RGB32);
                image.fill(QColor(200, 30, 90));
                QGuiApplication::clipboard()->setImage(image);
            } else if (command == "primary-text") {
                QGuiApplication::clipboard()->setText(unb64(words.value(1)), QClipboard::Selection);
            } else if (command == "primary-report") {
                say("primary " + b64(QGuiApplication::clipboard()->text(QClipboard::Selection)));
            } else if (command == "clip-clear") {
                QGuiApplication::clipboard()->clear();
            } else if (command == "clip-report") {
                QByteArray report = "clip";
                if (const QMimeData* data = QGuiApplication::clipboard()->mimeData()) {
                    for (const QString& format : data->formats()) {
                        if (format == QLatin1String("application/x-qt-image")) continue;
                        report += ' ' + format.toUtf8().toBase64() + ' ' + data->data(format).toBase64();
                    }
                    if (data->hasImage()) {
                        const QImage image = qvariant_cast<QImage>(data->imageData());
                        report += " image-size " + QByteArray::number(image.width()) + 'x' +
                                  QByteArray::number(image.height()) + " image-pixel " +
                                  QByteArray::number(image.pixel(0, 0), 16);
                    }
                }
                say(report);
            } else if (command == "report" && target) {
                say("field " + words.value(1) + ' ' + b64(contents(target)));
            } else if (command == "hang") {
                QThread::msleep(words.value(1).toULong());
            } else if (command == "close") {
                QGuiApplication::setQuitOnLastWindowClosed(false);
                window.close();
            } else if (command == "quit") {
                app.quit();
                return;
            }
            say("ok " + command);
        }
    });

    window.show();
    window.activateWindow();
    line->setFocus();
    QTimer::singleShot(0, [] { say("ready " + QByteArray::number(QCoreApplication::applicationPid())); });
    return app.exec();
}
