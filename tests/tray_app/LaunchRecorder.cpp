// Stands in for what the tray program opens beside itself (CorvaneViewer, and the
// uninstaller behind uninstall.lnk): appends "<what> <arguments>" to $TRAY_TEST_LAUNCH_LOG.
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  std::string line = TRAY_TEST_LAUNCHED;
  for (int i = 1; i < argc; ++i) line += std::string(" ") + argv[i];
  if (const char* log = std::getenv("TRAY_TEST_LAUNCH_LOG")) std::ofstream(log, std::ios::app) << line << "\n";
  return 0;
}
