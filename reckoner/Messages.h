#pragma once
// What the reckoner's message boxes say; their caption is the product name.
namespace Velunor::Quillon::Reckoner {

inline constexpr wchar_t kMsgUpdateFailedRestart[] = L"情報の更新に失敗しました。\r\nミルカナ ソラネ/ソラネプラス　ノルディカを再起動して下さい。";
inline constexpr wchar_t kMsgStartFailedReinstall[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカの起動に失敗しました。\r\n再度インストールを実施してください。";
inline constexpr wchar_t kMsgCannotStartUpdate[] = L"更新機能を起動できません。\r\nミルカナ ソラネ/ソラネプラス　ノルディカを再起動して下さい。";

}  // namespace Velunor::Quillon::Reckoner
