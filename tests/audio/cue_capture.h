// The shipped voice cues as sample data, and what a capture of the audio
// output holds in terms of them.
//
// The capture is the raw sample stream that Wine's ALSA output wrote to a
// file. At the cues' format (22050 Hz, 16-bit mono) that path does not
// resample: a played cue appears in the capture as the bytes of its data
// chunk, and cues played one after another appear back to back. The one
// thing the path adds: when the machine is loaded and Wine's audio thread
// finds its buffer empty, it feeds the device digital silence (zero
// samples, mostly in 10 ms periods), which can land between cues, inside
// one or after the last. A capture therefore matches when, with its zero
// samples taken out, it equals the expected samples with theirs taken out,
// and it holds at least as many zero samples as they do.
#ifndef CUE_CAPTURE_H
#define CUE_CAPTURE_H

#include <map>
#include <string>
#include <vector>

namespace cue_capture {

// The whole content of a file; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string* bytes);

// The data chunk of a RIFF/WAVE file; false (and why, in *error) when the
// file is missing or not a WAVE file with a data chunk.
bool ReadWaveData(const std::string& path, std::string* data, std::string* error);

// Samples of 16-bit PCM that are exactly zero, and the stream without them.
size_t SilentSamples(const std::string& pcm);
std::string WithoutSilentSamples(const std::string& pcm);

// Whether the capture holds exactly the expected samples, apart from
// inserted silence; *inserted receives the number of inserted zero samples.
bool MatchesApartFromInsertedSilence(const std::string& capture, const std::string& expected,
                                     size_t* inserted);

class CueSet {
 public:
  // Every cue name the program can play ("0.wav" ... "error.wav").
  static const std::vector<std::string>& Names();

  // Loads the data of every cue from a folder; false and why on failure.
  bool Load(const std::string& folder, std::string* error);

  const std::string& Data(const std::string& name) const;
  // The capture that playing these cues in order produces.
  std::string Concat(const std::vector<std::string>& names) const;
  // The capture read back as cue names, e.g. "2.wav enter.wav [340 bytes]":
  // at each position the longest cue that matches there, and stretches
  // that match no cue as their length.
  std::string Describe(const std::string& capture) const;
  // Names of the cues whose samples occur anywhere in the capture (silent
  // samples disregarded, so inserted silence cannot hide a cue).
  std::vector<std::string> CuesFoundIn(const std::string& capture) const;

 private:
  std::map<std::string, std::string> data_;
};

}  // namespace cue_capture

#endif
