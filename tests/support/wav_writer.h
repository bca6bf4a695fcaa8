// Test voice memos: a RIFF WAVE file of 16-bit mono PCM holding a sine tone.
#pragma once

#include <filesystem>
#include <string>

namespace orrivan::test {

// The bytes of a WAV file: `seconds` of a 440 Hz tone at `sampleRate`.
std::string WavBytes(double seconds = 0.25, int sampleRate = 8000);

// Writes WavBytes to path (creating its folders); throws like WriteFile when it cannot.
void WriteWav(const std::filesystem::path& path, double seconds = 0.25, int sampleRate = 8000);

}  // namespace orrivan::test
