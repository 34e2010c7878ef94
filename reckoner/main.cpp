#include "common/LogMessage.h"
#include "platform/core/ChildProcess.h"
#include "platform/ui/windows/MessageLoop.h"
#include "reckoner/CommandLine.h"
#include "reckoner/Reckoner.h"

int main(int argc, char** argv) {
  // Run by desktop users: day files go to the user's own Log folder.
  Velunor::Quillon::Common::Log::SetLogFolderKind(Velunor::Quillon::Common::Log::LogFolderKind::kUser);
  const std::wstring arguments = platform::JoinArguments(argc, argv);
  // The chooser is a window and needs a display; the check runs without one.
  if (arguments == Velunor::Quillon::Reckoner::kReckonerArgument && !platform::StartUi(argc, argv)) return 1;
  return Velunor::Quillon::Reckoner::ReckonerMain(arguments);
}
