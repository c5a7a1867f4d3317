#include "engine_model.h"

#include "calc_stack.h"
#include "recording_panel.h"
#include "torva_ids.h"

bool RoutedToEngine(unsigned code) {
  static const unsigned kEngineCodes[] = {8,   13,  42,  43,  45,  46,  47,  48,  49,
                                          50,  51,  52,  53,  54,  55,  56,  57,  176,
                                          177, 178, 179, 180, 181, 182, 183, 186};
  for (unsigned engine : kEngineCodes)
    if (engine == code) return true;
  return false;
}

std::string MessageText(int stringId) {
  static const struct {
    int id;
    const char* text;
  } kTexts[] = {
      {IDS_OVERFLOW, "Overflow"},
      {IDS_DIVIDE_BY_ZERO, "Division by zero"},
      {IDS_NEGATIVE_ROOT, "Negative argument of square root"},
      {IDS_NUMERICAL_ERROR, "Numerical error"},
      {IDS_TOO_FEW_NUMBERS, "Not enough numbers on the stack"},
      {IDS_STACK_FULL, "Cannot add any more numbers to the stack"},
      {IDS_PASTE_FAILED, "Cannot paste number from Clipboard"},
  };
  for (const auto& entry : kTexts)
    if (entry.id == stringId) return entry.text;
  return "message " + std::to_string(stringId);
}

Model::Model() { ResetEngineAndRecording(); }

std::vector<std::string> Model::Key(unsigned code) {
  size_t before = panelRecording.errors.size();
  calculator.Key(code);
  std::vector<std::string> texts;
  for (size_t i = before; i < panelRecording.errors.size(); ++i)
    texts.push_back(MessageText(panelRecording.errors[i]));
  CollectCopies();
  return texts;
}

std::vector<std::string> Model::Paste() {
  if (!clipboardHasText_) return {MessageText(IDS_PASTE_FAILED)};
  std::string text = clipboard_.substr(0, 81) + "\n";
  std::vector<std::string> texts;
  for (unsigned char c : text) {
    std::vector<std::string> shown = Key(c);
    texts.insert(texts.end(), shown.begin(), shown.end());
  }
  return texts;
}

void Model::SetClipboard(const std::string& text) {
  clipboard_ = text.substr(0, text.find('\0'));
  clipboardHasText_ = true;
}

std::vector<std::string> Model::Lines() const {
  return {panelRecording.lines[0], panelRecording.lines[1], panelRecording.lines[2],
          panelRecording.lines[3]};
}

// A copy of X (a key 181) is what the clipboard holds from then on.
void Model::CollectCopies() {
  if (!panelRecording.copies.empty()) SetClipboard(panelRecording.copies.back());
  panelRecording.copies.clear();
  panelRecording.cues.clear();
  panelRecording.events.clear();
}
