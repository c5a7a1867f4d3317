// The shipped voice cues as sample data, and what a capture of the audio
// output holds in terms of them.
//
// The capture is the raw sample stream that Wine's ALSA output wrote to a
// file. At the cues' format (22050 Hz, 16-bit mono) that path neither
// resamples nor pads: a played cue appears in the capture as exactly the
// bytes of its data chunk, and cues played one after another appear back to
// back. So the expected capture of a sequence of cues is the concatenation
// of their data chunks.
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
  // Names of the cues whose samples occur anywhere in the capture.
  std::vector<std::string> CuesFoundIn(const std::string& capture) const;

 private:
  std::map<std::string, std::string> data_;
};

}  // namespace cue_capture

#endif
