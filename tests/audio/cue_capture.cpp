#include "cue_capture.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>

namespace cue_capture {

namespace {

uint32_t Little32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

bool MatchesAt(const std::string& capture, size_t at, const std::string& cue) {
  return !cue.empty() && capture.size() - at >= cue.size() &&
         capture.compare(at, cue.size(), cue) == 0;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool ReadWaveData(const std::string& path, std::string* data, std::string* error) {
  std::string file;
  if (!ReadFileBytes(path, &file)) {
    *error = "cannot read " + path;
    return false;
  }
  if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 4, "WAVE") != 0) {
    *error = path + " is not a RIFF/WAVE file";
    return false;
  }
  // Walk the chunks after the RIFF header up to "data".
  for (size_t at = 12; at + 8 <= file.size();) {
    uint32_t size = Little32(file, at + 4);
    if (file.compare(at, 4, "data") == 0) {
      if (at + 8 + size > file.size()) break;
      data->assign(file, at + 8, size);
      return true;
    }
    at += 8 + size + (size & 1);
  }
  *error = path + " has no complete data chunk";
  return false;
}

size_t SilentSamples(const std::string& pcm) {
  size_t count = 0;
  for (size_t at = 0; at + 1 < pcm.size(); at += 2) count += pcm[at] == 0 && pcm[at + 1] == 0;
  return count;
}

std::string WithoutSilentSamples(const std::string& pcm) {
  std::string sound;
  sound.reserve(pcm.size());
  for (size_t at = 0; at + 1 < pcm.size(); at += 2) {
    if (pcm[at] != 0 || pcm[at + 1] != 0) sound.append(pcm, at, 2);
  }
  return sound;
}

bool MatchesApartFromInsertedSilence(const std::string& capture, const std::string& expected,
                                     size_t* inserted) {
  const size_t captured = SilentSamples(capture), wanted = SilentSamples(expected);
  *inserted = captured >= wanted ? captured - wanted : 0;
  return capture.size() % 2 == 0 && captured >= wanted &&
         WithoutSilentSamples(capture) == WithoutSilentSamples(expected);
}

const std::vector<std::string>& CueSet::Names() {
  static const std::vector<std::string> names = {
      "0.wav",     "1.wav",      "2.wav",      "3.wav",     "4.wav",     "5.wav",
      "6.wav",     "7.wav",      "8.wav",      "9.wav",     "point.wav", "plus.wav",
      "minus.wav", "e.wav",      "back.wav",   "enter.wav", "add.wav",   "sub.wav",
      "mult.wav",  "div.wav",    "raise.wav",  "recip.wav", "ch_sgn.wav", "sqrt.wav",
      "square.wav", "drop.wav",  "swap.wav",   "clear.wav", "error.wav"};
  return names;
}

bool CueSet::Load(const std::string& folder, std::string* error) {
  data_.clear();
  for (const std::string& name : Names()) {
    std::string data;
    if (!ReadWaveData(folder + "\\" + name, &data, error)) return false;
    data_[name] = data;
  }
  return true;
}

const std::string& CueSet::Data(const std::string& name) const {
  static const std::string none;
  auto found = data_.find(name);
  return found == data_.end() ? none : found->second;
}

std::string CueSet::Concat(const std::vector<std::string>& names) const {
  std::string all;
  for (const std::string& name : names) all += Data(name);
  return all;
}

std::string CueSet::Describe(const std::string& capture) const {
  std::ostringstream out;
  size_t unknown = 0;
  for (size_t at = 0; at < capture.size();) {
    const std::string* best = nullptr;
    for (const auto& cue : data_) {
      if (MatchesAt(capture, at, cue.second) && (!best || cue.second.size() > Data(*best).size()))
        best = &cue.first;
    }
    if (!best) {
      ++unknown;
      ++at;
      continue;
    }
    if (unknown) out << "[" << unknown << " bytes] ";
    unknown = 0;
    out << *best << " ";
    at += Data(*best).size();
  }
  if (unknown) out << "[" << unknown << " bytes] ";
  std::string text = out.str();
  if (text.empty()) return "(nothing)";
  text.pop_back();
  return text;
}

std::vector<std::string> CueSet::CuesFoundIn(const std::string& capture) const {
  const std::string sound = WithoutSilentSamples(capture);
  std::vector<std::string> found;
  for (const auto& cue : data_) {
    if (sound.find(WithoutSilentSamples(cue.second)) != std::string::npos)
      found.push_back(cue.first);
  }
  return found;
}

}  // namespace cue_capture
