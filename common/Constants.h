#pragma once
// The texts that more than one program must agree on: the reckoner's program name and
// argument, the product name and the user messages.

namespace Velunor::Quillon::Common {

inline constexpr wchar_t kReckonerExeName[] = L"CorvaneReckoner.exe";
inline constexpr wchar_t kReckonerArgument[] = L"-fd";
inline constexpr wchar_t kProductName[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカ";
inline constexpr wchar_t kProductName2[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカ";
inline constexpr wchar_t kMsgUpdateFailedRestart[] = L"情報の更新に失敗しました。\r\nミルカナ ソラネ/ソラネプラス　ノルディカを再起動して下さい。";
inline constexpr wchar_t kMsgStartFailedReinstall[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカの起動に失敗しました。\r\n再度インストールを実施してください。";
inline constexpr wchar_t kMsgCannotStartUpdate[] = L"更新機能を起動できません。\r\nミルカナ ソラネ/ソラネプラス　ノルディカを再起動して下さい。";

}  // namespace Velunor::Quillon::Common
