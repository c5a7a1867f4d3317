// A fresh TORVA.EXE per test with no settings file (nor a user's copy), and
// the checks the hostile tests share.
#ifndef TORVA_HOSTILE_FIXTURE_H
#define TORVA_HOSTILE_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session_driver.h"
#include "torva_harness.h"
#include "torva_ids.h"

namespace th = torva_harness;

class HostileTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts exe ("" = the built program) in workDir; the test fails if it
  // does not show its panel.
  void Start(const std::string& exe = "", const std::string& workDir = "");

  // Sends command codes one by one, answering any box; returns the texts
  // of the boxes answered.
  std::vector<std::string> Commands(const std::string& codes);
  // The four lines, X first.
  std::vector<std::string> Lines() { return torva.Lines(); }
  // The program still runs and still calculates: 2 Enter 3 * gives 6 on
  // top of whatever the stack held.
  void ExpectStillCalculates();
  // Opens the Sound dialog, reads which button is checked, and closes it
  // (after clicking `click`, if not 0). Returns true when Enable is checked.
  // With `box`, a message box must follow: it is read into *box and
  // answered; without, none may appear.
  bool SoundDialog(int click = 0, th::BoxInfo* box = nullptr);

  // Moves the user's application-data folder ("" = leave it) until the
  // test ends; with shellOnly, the APPDATA variable keeps naming the old one.
  bool MoveAppDataTo(const std::string& folder, bool shellOnly = false);

  th::TorvaProcess torva;

 private:
  bool appDataMoved_ = false;
};

// Writes a settings file of raw bytes.
bool WriteSettingsBytes(const std::string& bytes);

#endif
