#pragma once
// The texts that more than one program must agree on: folder and file names, XML element
// names, config.ini keys and defaults, the comparison query and its placeholders, the
// product name and the user messages. Numbers that are settings defaults are kept as
// text because they are handed to the ini reader as default text.

namespace Velunor::Quillon::Common {

inline constexpr wchar_t kReckonerExeName[] = L"CorvaneReckoner.exe";
inline constexpr wchar_t kReckonerArgument[] = L"-fd";
inline constexpr wchar_t kComparisonQueryTemplate[] = L"?pm_traffic=%TRAFFIC1%&pm_est_traffic=%EST_TRAFFIC1%&pm_price=%PRICE1%&lm_traffic=%TRAFFIC2%&lm_est_traffic=%EST_TRAFFIC2%&lm_price=%PRICE2%&blm_traffic=%TRAFFIC3%&blm_est_traffic=%EST_TRAFFIC3%&blm_price=%PRICE3%&line_id=%NAME%";
inline constexpr wchar_t kTraffic1Placeholder[] = L"%TRAFFIC1%";
inline constexpr wchar_t kEstTraffic1Placeholder[] = L"%EST_TRAFFIC1%";
inline constexpr wchar_t kPrice1Placeholder[] = L"%PRICE1%";
inline constexpr wchar_t kTraffic2Placeholder[] = L"%TRAFFIC2%";
inline constexpr wchar_t kEstTraffic2Placeholder[] = L"%EST_TRAFFIC2%";
inline constexpr wchar_t kPrice2Placeholder[] = L"%PRICE2%";
inline constexpr wchar_t kTraffic3Placeholder[] = L"%TRAFFIC3%";
inline constexpr wchar_t kEstTraffic3Placeholder[] = L"%EST_TRAFFIC3%";
inline constexpr wchar_t kPrice3Placeholder[] = L"%PRICE3%";
inline constexpr wchar_t kNamePlaceholder[] = L"%NAME%";
inline constexpr wchar_t kProductName[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカ";
inline constexpr wchar_t kProductName2[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカ";
inline constexpr wchar_t kMsgUpdateFailedRestart[] = L"情報の更新に失敗しました。\r\nミルカナ ソラネ/ソラネプラス　ノルディカを再起動して下さい。";
inline constexpr wchar_t kMsgStartFailedReinstall[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカの起動に失敗しました。\r\n再度インストールを実施してください。";
inline constexpr wchar_t kMsgCannotStartUpdate[] = L"更新機能を起動できません。\r\nミルカナ ソラネ/ソラネプラス　ノルディカを再起動して下さい。";

}  // namespace Velunor::Quillon::Common
