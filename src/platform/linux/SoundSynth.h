#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// Our own feedback sounds, made from sine partials, noise and envelopes. Each name of
// Sounds::names() has a short sound of its own; an unknown name gives no samples.
namespace SoundSynth {

constexpr int kSampleRate = 48000;

// Mono 16-bit samples at kSampleRate; empty for an unknown name.
std::vector<int16_t> render(const QString& name);

}  // namespace SoundSynth
