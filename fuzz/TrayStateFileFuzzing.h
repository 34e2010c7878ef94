#pragma once
// A scratch file for the tray state-file fuzzers, in shared memory where available,
// removed when the fuzzer ends.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <boost/filesystem.hpp>

namespace tray_fuzzing {

inline const std::string& ScratchFile(const char* name) {
  static const std::string path = [name] {
    const boost::filesystem::path base =
        boost::filesystem::is_directory("/dev/shm") ? "/dev/shm" : boost::filesystem::temp_directory_path();
    static const boost::filesystem::path folder = base / boost::filesystem::unique_path("tray-fuzz-%%%%-%%%%");
    boost::filesystem::create_directories(folder);
    std::atexit([] {
      boost::system::error_code ignored;
      boost::filesystem::remove_all(folder, ignored);
    });
    return (folder / name).string();
  }();
  return path;
}

inline void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace tray_fuzzing
