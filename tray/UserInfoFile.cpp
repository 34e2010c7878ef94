#include "tray/UserInfoFile.h"

#include <cstdio>
#include <exception>
#include <functional>

#include <boost/filesystem.hpp>
#include <tinyxml.h>

#include "common/LogMessage.h"
#include "common/PathUtil.h"
#include "common/StringUtil.h"
#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"
#include "tray/StateFileXml.h"

namespace Velunor::Quillon::Resident {

namespace {

namespace Log = Common::Log;

// What the log lines of one writing operation say.
struct WriteMessages {
  const wchar_t* function;
  const wchar_t* saved;   // followed by " [path]"
  const wchar_t* failed;  // followed by " [path]", or " [path] [exception]"
};

const WriteMessages kNotificationMessages = {
    L"Velunor::Quillon::Resident::CUserInfoFile::SetNotificationDate", L"Set Notification Date OK",
    L"Set Notification Date NG"};
const WriteMessages kUpdateMessages = {L"Velunor::Quillon::Resident::CUserInfoFile::SetUpdateDate",
                                       L"UserInfo Update OK", L"UserInfo Update NG"};

std::wstring Bracketed(const std::wstring& text) { return L" [" + text + L"]"; }

// The exception's text goes to the debugger output and into an ERROR line.
void ReportException(const std::exception& exception, const wchar_t* function, int line,
                     const std::wstring& message, const std::wstring& filePath) {
  std::wstring what = Common::ToWideString(std::string(exception.what()), 0);
  platform::OutputDebugString(what);
  Log::WriteLog(function, line, message + Bracketed(filePath) + Bracketed(what), Log::kError);
}

std::wstring DateTimeText(const platform::DateTime& date) {
  wchar_t text[64];
  std::swprintf(text, sizeof text / sizeof text[0], kRecordDateFormat, date.GetYear(), date.GetMonth(),
                date.GetDay(), date.GetHour(), date.GetMinute());
  return text;
}

// Loads (or starts) the document, puts a fresh record named recordName as the last
// child of the root, lets fill add its children, saves and logs the outcome.
void WriteRecord(const std::wstring& filePath, const wchar_t* recordName, const WriteMessages& messages,
                 const std::function<void(TiXmlElement&)>& fill) {
  // The log names the file as the system does.
  const std::wstring shownPath = platform::ToNativePath(Common::ExpandPath(filePath));
  try {
    std::string nativePath = platform::ToNativePathBytes(shownPath);
    boost::filesystem::path path(nativePath);
    TiXmlDocument document;
    TiXmlElement* root = nullptr;
    if (boost::filesystem::exists(path)) {
      LoadStateFile(document, nativePath);
      root = document.RootElement();
    } else {
      if (path.has_parent_path()) boost::filesystem::create_directories(path.parent_path());
      document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    }
    if (!root) {
      root = new TiXmlElement(Utf8Name(kUserInfoRootElement));
      document.LinkEndChild(root);
    }
    if (TiXmlElement* old = root->FirstChildElement(Utf8Name(recordName))) root->RemoveChild(old);
    auto* record = new TiXmlElement(Utf8Name(recordName));
    root->LinkEndChild(record);
    fill(*record);
    if (SaveStateFile(document, nativePath)) {
      Log::WriteLog(messages.function, __LINE__, messages.saved + Bracketed(shownPath), Log::kDebug);
    } else {
      Log::WriteLog(messages.function, __LINE__, messages.failed + Bracketed(shownPath), Log::kError);
    }
  } catch (const std::exception& exception) {
    ReportException(exception, messages.function, __LINE__, messages.failed, shownPath);
  }
}

// The first record named recordName in the file, or nothing; it lives in document.
const TiXmlElement* FindRecord(TiXmlDocument& document, const std::wstring& filePath, const wchar_t* recordName) {
  std::string nativePath = platform::ToNativePathBytes(Common::ExpandPath(filePath));
  if (!boost::filesystem::exists(boost::filesystem::path(nativePath))) return nullptr;
  LoadStateFile(document, nativePath);
  const TiXmlElement* root = document.RootElement();
  if (!root) return nullptr;
  return root->FirstChildElement(Utf8Name(recordName));
}

// The 12-character yyyyMMddHHmm date; a piece that is not a number throws.
bool ReadDateTime(const TiXmlElement& record, const wchar_t* name, platform::DateTime& date) {
  std::wstring text;
  if (!ChildText(record, name, text) || text.size() != kRecordDateLength) return false;
  return date.SetDateTime(ToInt32(text.substr(0, 4)), ToInt32(text.substr(4, 2)), ToInt32(text.substr(6, 2)),
                          ToInt32(text.substr(8, 2)), ToInt32(text.substr(10, 2)), 0);
}

bool ReadCount(const TiXmlElement& record, const wchar_t* name, int& count) {
  std::wstring text;
  if (!ChildText(record, name, text) || text.empty()) return false;
  count = ToInt32(text);
  return true;
}

}  // namespace

void CUserInfoFile::SetNotificationDate(const platform::DateTime& date, int count, int show) {
  WriteRecord(m_filePath, kNotificationElement, kNotificationMessages, [&](TiXmlElement& record) {
    AppendTextElement(record, kNotificationDateElement, DateTimeText(date));
    AppendTextElement(record, kNotificationCountElement, std::to_wstring(count));
    if (show == 1) record.LinkEndChild(new TiXmlElement(Utf8Name(kNotificationShowElement)));
  });
}

int CUserInfoFile::GetNotificationDate(platform::DateTime& date, int& count, int& show) {
  try {
    TiXmlDocument document;
    const TiXmlElement* record = FindRecord(document, m_filePath, kNotificationElement);
    if (!record) return 0;
    if (!ReadDateTime(*record, kNotificationDateElement, date)) return 0;
    if (!ReadCount(*record, kNotificationCountElement, count)) return 0;
    show = record->FirstChildElement(Utf8Name(kNotificationShowElement)) ? 1 : 0;
    return 1;
  } catch (const std::exception& exception) {
    ReportException(exception, L"Velunor::Quillon::Resident::CUserInfoFile::GetNotificationDate", __LINE__,
                    L"UserInfo Get Notification Date NG", m_filePath);
    return 0;
  }
}

void CUserInfoFile::SetUpdateDate(const platform::DateTime& date, const CVersionNumber& version, int count) {
  WriteRecord(m_filePath, kUpdateElement, kUpdateMessages, [&](TiXmlElement& record) {
    AppendTextElement(record, kUpdateDateElement, DateTimeText(date));
    AppendTextElement(record, kUpdateVersionElement, DottedVersionText(version));
    AppendTextElement(record, kUpdateCountElement, std::to_wstring(count));
  });
}

int CUserInfoFile::GetUpdateDate(platform::DateTime& date, CVersionNumber& version, int& count) {
  try {
    TiXmlDocument document;
    const TiXmlElement* record = FindRecord(document, m_filePath, kUpdateElement);
    if (!record) return 0;
    if (!ReadDateTime(*record, kUpdateDateElement, date)) return 0;
    std::wstring versionText;
    if (!ChildText(*record, kUpdateVersionElement, versionText)) return 0;
    if (version.Parse(versionText) != 1) return 0;
    if (!ReadCount(*record, kUpdateCountElement, count)) return 0;
    return 1;
  } catch (const std::exception& exception) {
    ReportException(exception, L"Velunor::Quillon::Resident::CUserInfoFile::GetUpdateDate", __LINE__,
                    L"Get Update Date NG", m_filePath);
    return 0;
  }
}

}  // namespace Velunor::Quillon::Resident

