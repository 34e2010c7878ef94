#pragma once
// The line chooser of "-fd": a top-level window listing the lines of lineprice.xml, one
// push button each with the line's description under it, and OK and cancel. OK writes
// the chosen line into lineselect.xml. It stays above the viewer that started it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/Dialog.h"
#include "reckoner/PriceFiles.h"

namespace Velunor::Quillon::Reckoner {

class CLineChooser : public platform::Dialog {
 public:
  static constexpr int kDialogId = 1;
  static constexpr int kFirstLineButtonId = 1100;
  // Results of Run and of the modal run.
  static constexpr int kChosen = 0;
  static constexpr int kCancelled = 1;

  CLineChooser(std::vector<LineEntry> lines, const std::wstring& selectedName);

  // Shows the window and waits: kChosen after OK wrote the line, else kCancelled.
  int Run();
  // The template of the window, for Create or DoModal.
  platform::ModuleHandle Module() const { return &m_module; }
  // The index of the chosen line, or -1.
  int GetChoice() const { return m_choice; }
  // The button text of a line: a mark for the chosen one, then its name.
  std::wstring LineButtonText(std::size_t index) const;

 protected:
  bool ProcessWindowMessage(platform::UiWindow window, unsigned int message, platform::WParam wParam,
                            platform::LParam lParam, platform::LResult& result) override;

 private:
  void Choose(int index);
  void OnOk();

  std::vector<LineEntry> m_lines;
  int m_choice = -1;
  platform::ResourceModule m_module;
};

}  // namespace Velunor::Quillon::Reckoner
