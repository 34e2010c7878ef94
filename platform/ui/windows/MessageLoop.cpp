#include "platform/ui/windows/MessageLoop.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/ui/display/Toolkit.h"
#include "platform/ui/windows/MessagePump.h"

namespace platform {

namespace {

MessageLoop* currentLoop = nullptr;

bool IsIdleMessage(unsigned int message) { return message != WM_MOUSEMOVE && message != WM_PAINT && message != WM_TIMER; }

// How every message the window layer delivers reaches the current loop.
class CurrentLoopHandlers final : public ui_detail::LoopHandlers {
 public:
  void NoteMessage(unsigned int message) override { currentLoop->NoteMessage(message); }
  bool RunFilters(UiMessage& message) override { return currentLoop->RunFilters(message); }
  void RunIdleHandlers() override { currentLoop->RunIdleHandlers(); }
};

CurrentLoopHandlers currentLoopHandlers;

void SetCurrentLoop(MessageLoop* loop) {
  currentLoop = loop;
  ui_detail::SetLoopHandlers(loop != nullptr ? &currentLoopHandlers : nullptr);
}

}  // namespace

MessageLoop::MessageLoop() : previous_(currentLoop) { SetCurrentLoop(this); }

MessageLoop::~MessageLoop() {
  if (currentLoop == this) SetCurrentLoop(previous_);
}

bool MessageLoop::AddMessageFilter(MessageFilter* filter) {
  if (filter == nullptr) return false;
  filters_.push_back(filter);
  return true;
}

bool MessageLoop::RemoveMessageFilter(MessageFilter* filter) {
  auto found = std::find(filters_.begin(), filters_.end(), filter);
  if (found == filters_.end()) return false;
  filters_.erase(found);
  return true;
}

bool MessageLoop::AddIdleHandler(IdleHandler* handler) {
  if (handler == nullptr) return false;
  idleHandlers_.push_back(handler);
  return true;
}

bool MessageLoop::RemoveIdleHandler(IdleHandler* handler) {
  auto found = std::find(idleHandlers_.begin(), idleHandlers_.end(), handler);
  if (found == idleHandlers_.end()) return false;
  idleHandlers_.erase(found);
  return true;
}

int MessageLoop::Run() {
  if (!ui_detail::EnsureUi()) return -1;
  if (std::optional<int> quit = ui_detail::TakePendingQuit()) return *quit;
  QEventLoop loop;
  ui_detail::RunningLoops().push_back(&loop);
  idleWanted_ = true;
  ui_detail::WakeForIdle();
  int code = loop.exec();
  ui_detail::RunningLoops().pop_back();
  return code;
}

MessageLoop* MessageLoop::Current() { return currentLoop; }

void MessageLoop::PostQuit(int exitCode) {
  if (!ui_detail::EnsureUi() && ui_detail::Pump() == nullptr) return;
  ui_detail::PostToPump(UiMessage{UiWindow(), WM_QUIT, static_cast<WParam>(exitCode), 0});
}

bool MessageLoop::RunFilters(UiMessage& message) {
  // Newest first; a copy, since a filter may remove itself.
  std::vector<MessageFilter*> filters(filters_.rbegin(), filters_.rend());
  for (MessageFilter* filter : filters) {
    if (filter->PreTranslateMessage(message)) return true;
  }
  return false;
}

void MessageLoop::NoteMessage(unsigned int message) {
  if (IsIdleMessage(message)) idleWanted_ = true;
}

void MessageLoop::RunIdleHandlers() {
  if (!idleWanted_) return;
  bool more = false;
  std::vector<IdleHandler*> handlers(idleHandlers_);
  for (IdleHandler* handler : handlers) more = handler->OnIdle() || more;
  if (more) {
    ui_detail::WakeForIdle();
  } else {
    idleWanted_ = false;
  }
}

bool StartUi(int& argc, char** argv) {
  if (QCoreApplication::instance() == nullptr) {
    std::string reason;
    if (!ui_detail::DisplayAvailable(reason)) {
      const std::string program = argc > 0 && argv[0] != nullptr ? argv[0] : "program";
      const std::size_t slash = program.find_last_of('/');
      std::fprintf(stderr, "%s: %s\n", program.substr(slash == std::string::npos ? 0 : slash + 1).c_str(),
                   reason.c_str());
      return false;
    }
    new QApplication(argc, argv);
  }
  return ui_detail::EnsureUi();
}

bool IsUiThread() {
  return QCoreApplication::instance() != nullptr && QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace platform
