// The system beep, heard through the host program bell_watch.
#include "torva_harness.h"

#include <fstream>
#include <string>

namespace torva_harness {
namespace {

// Lines of a file that equal `line`.
int CountLines(const std::string& path, const std::string& line) {
  std::ifstream in(path);
  int count = 0;
  for (std::string text; std::getline(in, text);) count += text == line;
  return count;
}

}  // namespace

bool BellWatch::Start() {
  if (BellWatchPath().empty()) return false;
  // Under /tmp, which both sides name alike: Z:\tmp is /tmp.
  std::string base = "/tmp/torva_bells_" + std::to_string(GetCurrentProcessId()) + "_" +
                     std::to_string(GetTickCount());
  out_ = ToWindowsPath(base + ".txt");
  stop_ = ToWindowsPath(base + ".stop");
  std::string commandLine = "\"" + ToWindowsPath(BellWatchPath()) + "\" " + base + ".txt " +
                            base + ".stop";
  if (!StartDetached(commandLine)) return false;
  return WaitUntil([&] { return CountLines(out_, "ready") == 1; }, kStepTimeout, 20);
}

BellWatch::~BellWatch() {
  if (stop_.empty()) return;
  std::ofstream(stop_).put('\n');
  WaitUntil([&] { return CountLines(out_, "stopped") == 1; }, kStepTimeout, 20);
  DeleteFileA(out_.c_str());
  DeleteFileA(stop_.c_str());
}

int BellWatch::Count() const { return CountLines(out_, "bell"); }

bool BellWatch::WaitForCount(int count, DWORD timeoutMs) const {
  return WaitUntil([&] { return Count() >= count; }, timeoutMs, 20);
}

}  // namespace torva_harness
