#pragma once

#include <QtGlobal>
#include <deque>
#include <mutex>

// Keys this process sends itself (paste chords, re-sent passed keys) must not be taken for the
// user's. The sender announces each synthetic key event before sending it; the key monitor asks
// whether an event it sees was one of ours and, if so, ignores it. Matching is by X key code and
// direction in sending order; an announcement that is not seen within `kLifetime` seconds expires.
class SyntheticKeyMarks {
public:
    static constexpr double kLifetime = 1.0;

    static SyntheticKeyMarks& shared();

    void announce(int xKeyCode, bool down, double monotonicNow);
    // True (and forgets the announcement) when the event was announced and has not expired.
    bool consume(int xKeyCode, bool down, double monotonicNow);
    void clear();

private:
    struct Mark {
        int keyCode;
        bool down;
        double at;
    };
    std::mutex mutex_;
    std::deque<Mark> marks_;
};
