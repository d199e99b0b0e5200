#pragma once

#include <QString>

// Recognises cloud transcripts that are not dictation: a caption in brackets, a row of
// punctuation or musical notes, one character repeated eight or more times, or a stock
// closing phrase of online videos.
namespace TranscriptFilter {

bool isNoise(const QString& text);

}  // namespace TranscriptFilter
