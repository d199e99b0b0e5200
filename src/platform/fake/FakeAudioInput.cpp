#include "platform/fake/FakeAudioInput.h"

#include <algorithm>
#include <cstring>

AudioInput::Format FakeAudioInput::deviceFormat() {
    std::lock_guard lock(mutex_);
    return {sampleRate, sampleRate > 0 ? 1 : 0};
}

bool FakeAudioInput::start(size_t bufferFrames, Callback onSamples, LostCallback onLost) {
    stop();
    std::lock_guard lock(mutex_);
    if (sampleRate <= 0 || failStart) return false;
    callback_ = std::move(onSamples);
    lost_ = std::move(onLost);
    isLost_ = false;
    bufferFrames_ = std::max<size_t>(1, bufferFrames);
    pending_.clear();
    ++starts_;
    return true;
}

void FakeAudioInput::stop() {
    std::lock_guard lock(mutex_);
    if (!callback_) return;
    if (!pending_.empty()) callback_(pending_.data(), pending_.size(), sampleRate);
    pending_.clear();
    callback_ = nullptr;
    lost_ = nullptr;
    isLost_ = false;
    ++stops_;
}

void FakeAudioInput::lose() {
    std::lock_guard lock(mutex_);
    if (!callback_ || isLost_) return;
    isLost_ = true;
    if (lost_) lost_();
}

void FakeAudioInput::feed(const std::vector<float>& samples) {
    std::lock_guard lock(mutex_);
    if (!callback_ || isLost_) return;
    for (float s : samples) {
        pending_.push_back(s);
        if (pending_.size() == bufferFrames_) {
            callback_(pending_.data(), pending_.size(), sampleRate);
            pending_.clear();
        }
    }
}

bool FakeAudioInput::isRunning() const {
    std::lock_guard lock(mutex_);
    return bool(callback_);
}

int FakeAudioInput::starts() const {
    std::lock_guard lock(mutex_);
    return starts_;
}

int FakeAudioInput::stops() const {
    std::lock_guard lock(mutex_);
    return stops_;
}

std::unique_ptr<AudioConverter> FakeAudioInput::makeConverter(double inputRate) {
    if (failConverter || inputRate <= 0) return nullptr;
    return std::make_unique<FakeAudioConverter>(inputRate);
}

QByteArray FakeAudioConverter::convert(const float* samples, size_t frames, size_t capacityFrames) {
    QByteArray out;
    const double step = rate_ / 16000.0;
    out.reserve(int(std::min(capacityFrames, size_t(double(frames) / step + 2)) * 2));
    while (position_ < double(frames) && size_t(out.size() / 2) < capacityFrames) {
        const size_t i = size_t(position_);
        const double frac = position_ - double(i);
        const float next = i + 1 < frames ? samples[i + 1] : samples[i];
        const float v = float(samples[i] * (1.0 - frac) + next * frac);
        const int16_t s = toInt16(v);
        out.append(reinterpret_cast<const char*>(&s), 2);
        position_ += step;
    }
    position_ -= double(frames);
    if (position_ < 0) position_ = 0;
    return out;
}
