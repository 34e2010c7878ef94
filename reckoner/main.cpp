#include "platform/ui/ChildProcess.h"
#include "reckoner/Reckoner.h"

int main(int argc, char** argv) {
  return Velunor::Quillon::Reckoner::ReckonerMain(platform::JoinArguments(argc, argv));
}
