#include "onboarding/SVGPathParser.h"

#include <QFile>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

// ---------------------------------------------------------------------------------------------
// StrokePath

void StrokePath::close() {
    // The close ends at the start of the current subpath.
    QPointF start;
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
        if (it->kind == Kind::Move) {
            start = it->to;
            break;
        }
    }
    elements_.push_back({Kind::Close, {}, {}, start});
}

bool StrokePath::draws() const {
    return std::any_of(elements_.begin(), elements_.end(),
                       [](const Element& e) { return e.kind != Kind::Move; });
}

StrokePath StrokePath::transformed(double dx, double dy, double scale) const {
    auto map = [&](QPointF p) { return QPointF((p.x() + dx) * scale, (p.y() + dy) * scale); };
    StrokePath out;
    out.elements_.reserve(elements_.size());
    for (const Element& e : elements_) out.elements_.push_back({e.kind, map(e.c1), map(e.c2), map(e.to)});
    return out;
}

bool StrokePath::operator==(const StrokePath& other) const {
    if (elements_.size() != other.elements_.size()) return false;
    for (size_t i = 0; i < elements_.size(); ++i) {
        const Element& a = elements_[i];
        const Element& b = other.elements_[i];
        if (a.kind != b.kind || a.c1 != b.c1 || a.c2 != b.c2 || a.to != b.to) return false;
    }
    return true;
}

namespace {

double distance(QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

QPointF cubicPoint(QPointF p0, QPointF p1, QPointF p2, QPointF p3, double t) {
    const double u = 1.0 - t;
    return u * u * u * p0 + 3 * t * u * u * p1 + 3 * t * t * u * p2 + t * t * t * p3;
}

struct Cubic {
    QPointF p0, p1, p2, p3;
};

// The cubic equal to a quadratic from p through control r to a.
Cubic fromQuad(QPointF p, QPointF r, QPointF a) { return {p, (p + 2 * r) / 3.0, (a + 2 * r) / 3.0, a}; }

double cubicLength(const Cubic& c, int n) {
    double total = 0;
    QPointF previous = c.p0;
    for (int i = 1; i <= n; ++i) {
        const QPointF b = cubicPoint(c.p0, c.p1, c.p2, c.p3, double(i) / n);
        total += distance(previous, b);
        previous = b;
    }
    return total;
}

// The part of the curve from t = 0 to the parameter where its sampled length reaches `target`.
Cubic cubicHead(const Cubic& c, int n, double target) {
    double walked = 0;
    QPointF previous = c.p0;
    double t = 1.0;
    for (int i = 1; i <= n; ++i) {
        const QPointF b = cubicPoint(c.p0, c.p1, c.p2, c.p3, double(i) / n);
        const double step = distance(previous, b);
        if (walked + step >= target) {
            const double within = step > 0 ? (target - walked) / step : 1.0;
            t = (i - 1 + within) / n;
            break;
        }
        walked += step;
        previous = b;
    }
    // de Casteljau at t: the left half.
    const QPointF a = c.p0 + (c.p1 - c.p0) * t;
    const QPointF b = c.p1 + (c.p2 - c.p1) * t;
    const QPointF d = c.p2 + (c.p3 - c.p2) * t;
    const QPointF ab = a + (b - a) * t;
    const QPointF bd = b + (d - b) * t;
    return {c.p0, a, ab, ab + (bd - ab) * t};
}

}  // namespace

StrokePath StrokePath::trimmed(double fraction, int samplesPerCurve) const {
    if (!(fraction > 0)) return {};
    const double total = SVGPathParser::length(*this, samplesPerCurve);
    if (fraction >= 1.0 || total <= 0) return *this;
    const int n = std::max(1, samplesPerCurve);
    double remaining = fraction * total;

    StrokePath out;
    QPointF p, q;
    for (const Element& e : elements_) {
        switch (e.kind) {
        case Kind::Move:
            p = q = e.to;
            out.moveTo(e.to);
            continue;
        case Kind::Line:
        case Kind::Close: {
            const QPointF to = e.kind == Kind::Line ? e.to : q;
            const double len = distance(p, to);
            if (len >= remaining) {
                out.lineTo(len > 0 ? p + (to - p) * (remaining / len) : to);
                return out;
            }
            if (e.kind == Kind::Line) out.lineTo(to); else out.close();
            remaining -= len;
            p = to;
            continue;
        }
        case Kind::Quad:
        case Kind::Cubic: {
            const Cubic c = e.kind == Kind::Cubic ? Cubic{p, e.c1, e.c2, e.to} : fromQuad(p, e.c1, e.to);
            const double len = cubicLength(c, n);
            if (len >= remaining) {
                const Cubic head = cubicHead(c, n, remaining);
                out.cubicTo(head.p1, head.p2, head.p3);
                return out;
            }
            if (e.kind == Kind::Cubic) out.cubicTo(e.c1, e.c2, e.to); else out.quadTo(e.c1, e.to);
            remaining -= len;
            p = e.to;
            continue;
        }
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Reading path data

namespace {

bool isCommandLetter(QChar ch) {
    switch (ch.unicode()) {
    case 'M': case 'm': case 'C': case 'c': case 'S': case 's':
    case 'L': case 'l': case 'Z': case 'z':
        return true;
    default:
        return false;
    }
}

bool isAsciiDigit(QChar ch) { return ch.unicode() >= '0' && ch.unicode() <= '9'; }

int chunkSize(QChar letter) {
    switch (letter.toLower().unicode()) {
    case 'm': case 'l': return 2;
    case 'c': return 6;
    case 's': return 4;
    default: return 0;  // z
    }
}

// One pass over the text for both readings. In the strict reading the first problem is kept
// and the scan stops there.
class Scanner {
public:
    Scanner(QStringView text, bool strict) : text_(text), strict_(strict) {}

    SVGPathParser::Parsed run() {
        for (qsizetype i = 0; i < text_.size() && !failed(); ++i) step(i);
        if (!failed()) {
            flush();
            finishCommand();
        }
        if (strict_ && !failed() && !out_.commands.empty()) {
            const QChar first = out_.commands.front().letter;
            if (first != u'M' && first != u'm') fail(0, QStringLiteral("path data must begin with a move (M or m), not '%1'").arg(first));
        }
        if (failed()) out_.commands.clear();
        return std::move(out_);
    }

private:
    // A number runs from its first digit, sign or point to the next separator (a space or a
    // comma), sign, second point or command letter. Every other character, a tab, a line break,
    // the letter e or a letter we do not draw, is passed over as if it were not there: the digits
    // on both sides of it make one number, and the numbers after such a letter stay with the
    // command before it.
    void step(qsizetype i) {
        const QChar ch = text_[i];
        if (isCommandLetter(ch)) {
            flush();
            finishCommand();
            letter_ = ch;
            letterAt_ = i;
            return;
        }
        if (isAsciiDigit(ch)) {
            append(ch, i);
            return;
        }
        if (ch == u'-' || ch == u'+') {
            flush();
            append(ch, i);
            return;
        }
        if (ch == u'.') {
            if (pending_.contains(u'.')) flush();
            append(ch, i);
            return;
        }
        if (ch == u',' || ch == u' ') {
            flush();
            return;
        }
        if (!strict_) return;
        if (ch == u'e' || ch == u'E') return fail(i, QStringLiteral("exponents are not read ('%1')").arg(ch));
        if (ch.isLetter()) return fail(i, QStringLiteral("unsupported path command '%1'").arg(ch));
        fail(i, QStringLiteral("unexpected character '%1'").arg(ch));
    }

    void append(QChar ch, qsizetype at) {
        if (pending_.isEmpty()) pendingAt_ = at;
        pending_.append(ch);
    }

    void flush() {
        if (pending_.isEmpty()) return;
        const QString text = pending_;
        pending_.clear();
        // Read in the C locale whatever the process locale is (from_chars does not look at it);
        // our text holds only ASCII digits, a leading sign and points, so no exponent, "inf",
        // "nan" or hex slips in.
        const std::string ascii = text.toStdString();
        const char* first = ascii.c_str();
        const char* last = first + ascii.size();
        if (first != last && *first == '+') ++first;  // from_chars takes no plus sign
        double value = 0;
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || end != last || first == last || !std::isfinite(value)) {
            if (strict_) fail(pendingAt_, QStringLiteral("malformed number '%1'").arg(text));
            return;
        }
        if (letter_.isNull()) {
            if (strict_) fail(pendingAt_, QStringLiteral("number '%1' before any path command").arg(text));
            return;
        }
        numbers_.append(value);
    }

    void finishCommand() {
        if (letter_.isNull()) {
            numbers_.clear();
            return;
        }
        if (strict_) {
            const int chunk = chunkSize(letter_);
            if (chunk == 0 && !numbers_.isEmpty())
                return fail(letterAt_, QStringLiteral("'%1' takes no numbers, got %2").arg(letter_).arg(numbers_.size()));
            if (chunk > 0 && (numbers_.isEmpty() || numbers_.size() % chunk != 0))
                return fail(letterAt_, QStringLiteral("'%1' needs numbers in groups of %2, got %3")
                                            .arg(letter_).arg(chunk).arg(numbers_.size()));
        }
        out_.commands.push_back({letter_, numbers_});
        numbers_.clear();
        letter_ = QChar();
    }

    void fail(qsizetype at, const QString& message) {
        if (failed()) return;
        out_.error = message + QStringLiteral(" at offset %1").arg(at);
        out_.errorAt = at;
    }
    bool failed() const { return !out_.error.isEmpty(); }

    QStringView text_;
    bool strict_;
    SVGPathParser::Parsed out_;
    QChar letter_;
    qsizetype letterAt_ = 0;
    QList<double> numbers_;
    QString pending_;
    qsizetype pendingAt_ = 0;
};

}  // namespace

std::vector<SVGPathParser::Command> SVGPathParser::tokenize(QStringView text) {
    return Scanner(text, false).run().commands;
}

SVGPathParser::Parsed SVGPathParser::parse(QStringView text) { return Scanner(text, true).run(); }

StrokePath SVGPathParser::path(QStringView text) { return path(tokenize(text)); }

StrokePath SVGPathParser::path(const std::vector<Command>& commands) {
    StrokePath out;
    QPointF c, s, k;
    bool curve = false;
    for (const Command& command : commands) {
        const bool relative = command.letter.isLower();
        const QChar lower = command.letter.toLower();
        if (lower == u'z') {
            out.close();
            c = s;
            curve = false;
            k = QPointF();
            continue;
        }
        const int chunk = chunkSize(command.letter);
        if (chunk == 0) continue;
        const QList<double>& n = command.numbers;
        bool firstChunk = true;
        for (qsizetype at = 0; at + chunk <= n.size(); at += chunk) {
            const QPointF origin = relative ? c : QPointF();
            auto point = [&](qsizetype i) { return origin + QPointF(n[at + i], n[at + i + 1]); };
            if (lower == u'm' && firstChunk) {
                const QPointF p = point(0);
                out.moveTo(p);
                c = s = p;
                curve = false;
                k = QPointF();
            } else if (lower == u'm' || lower == u'l') {
                const QPointF p = point(0);
                out.lineTo(p);
                c = p;
                curve = false;
                k = QPointF();
            } else if (lower == u'c') {
                const QPointF c1 = point(0), c2 = point(2), p = point(4);
                out.cubicTo(c1, c2, p);
                k = c2;
                c = p;
                curve = true;
            } else {  // s
                const QPointF c1 = curve ? 2 * c - k : c;
                const QPointF c2 = point(0), p = point(2);
                out.cubicTo(c1, c2, p);
                k = c2;
                c = p;
                curve = true;
            }
            firstChunk = false;
        }
    }
    return out;
}

double SVGPathParser::length(const StrokePath& path, int samplesPerCurve) {
    const int n = std::max(1, samplesPerCurve);
    double total = 0;
    QPointF p, q;
    for (const StrokePath::Element& e : path.elements()) {
        switch (e.kind) {
        case StrokePath::Kind::Move:
            p = q = e.to;
            break;
        case StrokePath::Kind::Line:
            total += distance(p, e.to);
            p = e.to;
            break;
        case StrokePath::Kind::Quad:
            total += cubicLength(fromQuad(p, e.c1, e.to), n);
            p = e.to;
            break;
        case StrokePath::Kind::Cubic:
            total += cubicLength({p, e.c1, e.c2, e.to}, n);
            p = e.to;
            break;
        case StrokePath::Kind::Close:
            total += distance(p, q);
            p = q;
            break;
        }
    }
    return total;
}

// ---------------------------------------------------------------------------------------------
// The stroke table

SVGPathParser::TableLoad SVGPathParser::loadStrokeTable(const QByteArray& tsv) {
    TableLoad load;
    auto problem = [&](int line, const QString& message) {
        if (!load.ok()) return;
        load.error = QStringLiteral("line %1: %2").arg(line).arg(message);
        load.errorLine = line;
    };
    const QString text = QString::fromUtf8(tsv);
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.isEmpty()) continue;
        const int number = i + 1;
        QStringList fields = line.split(u'\t');
        const QString key = fields.takeFirst();
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, key);
        if (key.isEmpty() || graphemes.toNextBoundary() != key.size()) {
            problem(number, QStringLiteral("the key '%1' is not one character").arg(key));
            continue;
        }
        if (load.table.contains(key)) {
            problem(number, QStringLiteral("the character '%1' appears twice").arg(key));
            continue;
        }
        if (fields.isEmpty()) {
            problem(number, QStringLiteral("the character '%1' has no strokes").arg(key));
            continue;
        }
        bool sound = true;
        for (int s = 0; s < fields.size(); ++s) {
            const Parsed parsed = parse(fields[s]);
            if (!parsed.ok() || parsed.commands.empty()) {
                problem(number, QStringLiteral("stroke %1 of '%2': %3").arg(s + 1).arg(key)
                                    .arg(parsed.ok() ? QStringLiteral("empty path data") : parsed.error));
                sound = false;
                break;
            }
        }
        if (!sound) continue;
        load.table.insert(key, fields);
        load.keys.append(key);
    }
    return load;
}

SVGPathParser::TableLoad SVGPathParser::loadEmbeddedStrokeTable() {
    QFile file(QStringLiteral(":/onboarding/handwriting-strokes.tsv"));
    if (!file.open(QIODevice::ReadOnly)) {
        TableLoad load;
        load.error = QStringLiteral("the embedded stroke data is missing");
        return load;
    }
    return loadStrokeTable(file.readAll());
}

const QHash<QString, QStringList>& SVGPathParser::strokeTable() {
    // Built once; a bad row is left out and its character is simply written blank.
    static const QHash<QString, QStringList> table = loadEmbeddedStrokeTable().table;
    return table;
}
