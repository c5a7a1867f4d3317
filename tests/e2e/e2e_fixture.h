// A fresh TORVA.EXE per test, with no settings file, and the checks that
// many tests share: the display lines and the error boxes.
#ifndef E2E_FIXTURE_H
#define E2E_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "torva_harness.h"
#include "torva_ids.h"

namespace th = torva_harness;

// How a test closes a message box, as a user would.
enum class CloseBy { kOkButton, kEnterKey, kEscapeKey };

// Width of text in font (nullptr: the system font) on a DC of the window,
// as the program measures a text for line X.
int TextWidth(HWND window, const std::string& text, HFONT font = nullptr);

class TorvaTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program (the fixture does so unless StartsItself()).
  void StartTorva();
  // Override to start the program in the test itself.
  virtual bool StartsItself() const { return false; }

  // Sends command codes (one byte each) and waits for each.
  void Commands(const std::string& codes);
  // Expects the lines X and Y (Z and T empty unless given).
  void ExpectLines(const std::string& x, const std::string& y = "", const std::string& z = "",
                   const std::string& t = "");
  // Waits for line X to read `x`, then checks all four lines.
  void WaitLines(const std::string& x, const std::string& y = "", const std::string& z = "",
                 const std::string& t = "");

  // Waits for an error box of the program, checks its caption, text and
  // icon, and closes it; waits until it is gone.
  void ExpectErrorBox(const std::string& text, CloseBy how = CloseBy::kOkButton);
  // Waits for a box and checks it fully; returns it open.
  HWND ExpectBox(const std::string& caption, const std::string& text, th::BoxIcon icon);
  // Closes a box or dialog as a user would and waits until it is gone.
  void CloseBox(HWND box, CloseBy how, int okId = IDOK);

  // A real keystroke to the panel, which is first brought to the front.
  void Press(WORD vk, unsigned mods = th::kNoMods);
  void Type(const std::string& text, unsigned mods = th::kNoMods);
  // Waits until the panel has handled every keystroke sent so far.
  void Settle();

  // The texts of the live-region events taken from watch; each must be
  // the given line's (X unless said), for its client area, as a screen
  // reader expects.
  std::vector<std::string> Announced(th::LiveRegionWatch& watch, int line = IDC_LINE_X);

  // The annotations the panel's controls get, sorted, as the property
  // service's stand-in records them: the spoken names of buttons and the
  // lines' assertive live setting, or their clearing.
  static std::vector<std::string> PanelAnnotations(bool cleared = false);

  th::TorvaProcess torva;
};

#endif
