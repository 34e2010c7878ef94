#pragma once
// The collector's hidden control window on the Run thread: its two timers drive the
// adapter watch and the summary write.
#include <cstdint>

#include "collector/NicManager.h"
#include "collector/TrafficCounts.h"
#include "platform/service/HiddenWindow.h"

namespace Velunor::Quillon {

inline constexpr std::uintptr_t ID_XMLWRITING_START = 1000;
inline constexpr std::uintptr_t ID_NIC_WATCH = 1100;
inline constexpr unsigned int WM_WRITE_XML = platform::WM_APP + 2;
inline constexpr unsigned int kCloseCommandId = 201;

class CCtrlHiddenWindow : public platform::HiddenWindow {
 public:
  explicit CCtrlHiddenWindow(CNicManager& manager) : m_manager(manager) {}

  // Adds the counts to today's unit of summarydata.xml; false when they are not in it.
  bool DoWriteXML(const TrafficCounts& counts);
  // Prunes summarydata.xml to the current month, the twelve before it and later ones.
  void DoRemoveXML();

 protected:
  bool ProcessWindowMessage(platform::WindowHandle window, unsigned int message, platform::WParam wParam,
                            platform::LParam lParam, platform::LResult& result) override;

 private:
  platform::LResult OnInitDialog();
  platform::LResult OnTimer(std::uintptr_t timerId);
  platform::LResult WriteXMLFile();
  platform::LResult OnClose(bool& handled);
  platform::LResult OnDestroy();
  platform::LResult OnCommand(platform::WParam wParam);

  CNicManager& m_manager;
};

}  // namespace Velunor::Quillon
