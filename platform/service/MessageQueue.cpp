#include "platform/service/MessageQueue.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <cwctype>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/core/Process.h"

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The clock of every timer: the steady clock, or a test's clock while a ManualTimerClock
// lives. A change of the manual time bumps the generation, after the time itself.
std::atomic<bool> g_manualClock{false};
std::atomic<SteadyClock::rep> g_manualNow{0};
std::atomic<std::uint64_t> g_clockGeneration{0};

SteadyClock::time_point TimerNow() {
  if (g_manualClock.load(std::memory_order_acquire)) {
    return SteadyClock::time_point(SteadyClock::duration(g_manualNow.load(std::memory_order_acquire)));
  }
  return SteadyClock::now();
}

struct Queue;

// A message sent from another thread, waiting for its answer.
struct SentMessage {
  Message message;
  std::shared_ptr<Queue> sender;
  LResult result = 0;
  bool done = false;  // guarded by the sender's lock
};

struct Timer {
  WindowHandle window;
  std::uintptr_t id = 0;
  std::chrono::milliseconds period{0};
  SteadyClock::time_point due;
};

struct Queue {
  explicit Queue(long id) : threadId(id) {}
  const long threadId;
  std::mutex lock;
  std::condition_variable wake;
  std::deque<Message> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::vector<Timer> timers;
  bool quitRequested = false;
  int quitCode = 0;
  bool closed = false;
  // The clock generation at which GetMessage last found nothing to serve and began to
  // wait; ManualTimerClock::Advance waits on idle for it.
  std::uint64_t idleGeneration = 0;
  std::condition_variable idle;
};

struct WindowRecord {
  std::shared_ptr<Queue> queue;
  std::shared_ptr<WindowProcedure> procedure;
  bool destroying = false;
};

struct Registry {
  std::mutex lock;
  std::uint64_t nextHandle = 1;
  std::unordered_map<std::uint64_t, WindowRecord> windows;
  std::unordered_map<long, std::weak_ptr<Queue>> queues;
  std::unordered_map<std::wstring, unsigned int> messageNames;
  unsigned int nextMessageNumber = kFirstRegisteredMessage;
};

// Never destroyed: threads that outlive static destruction at exit may still post.
Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

void Answer(SentMessage& sent, LResult result) {
  {
    std::lock_guard<std::mutex> guard(sent.sender->lock);
    sent.result = result;
    sent.done = true;
  }
  sent.sender->wake.notify_all();
}

void CloseQueue(const std::shared_ptr<Queue>& queue) {
  std::deque<std::shared_ptr<SentMessage>> unanswered;
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->closed = true;
    unanswered.swap(queue->sent);
    queue->posted.clear();
    queue->timers.clear();
  }
  for (auto& sent : unanswered) Answer(*sent, 0);
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (auto it = registry.windows.begin(); it != registry.windows.end();) {
    it = it->second.queue == queue ? registry.windows.erase(it) : std::next(it);
  }
  auto entry = registry.queues.find(queue->threadId);
  if (entry != registry.queues.end() && entry->second.lock() == queue) registry.queues.erase(entry);
}

// Owns the calling thread's queue and closes it when the thread ends.
class QueueHolder {
 public:
  ~QueueHolder() {
    if (queue) CloseQueue(queue);
  }
  std::shared_ptr<Queue> queue;
};

thread_local QueueHolder t_queueHolder;

std::shared_ptr<Queue> CurrentQueue() {
  if (!t_queueHolder.queue) {
    auto queue = std::make_shared<Queue>(CurrentThreadId());
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    registry.queues[queue->threadId] = queue;
    t_queueHolder.queue = queue;
  }
  return t_queueHolder.queue;
}

// The window's procedure when the window belongs to queue (any queue when null).
std::shared_ptr<WindowProcedure> ProcedureOf(WindowHandle window, const std::shared_ptr<Queue>& queue,
                                             std::shared_ptr<Queue>* owner = nullptr) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto it = registry.windows.find(window.Value());
  if (it == registry.windows.end()) return nullptr;
  if (queue && it->second.queue != queue) return nullptr;
  if (owner) *owner = it->second.queue;
  return it->second.procedure;
}

LResult CallProcedure(const Message& message, const std::shared_ptr<Queue>& queue) {
  auto procedure = ProcedureOf(message.window, queue);
  if (!procedure) return 0;
  return (*procedure)(message.window, message.message, message.wParam, message.lParam);
}

void ServeSentMessages(const std::shared_ptr<Queue>& queue) {
  for (;;) {
    std::shared_ptr<SentMessage> sent;
    {
      std::lock_guard<std::mutex> guard(queue->lock);
      if (queue->sent.empty()) return;
      sent = queue->sent.front();
      queue->sent.pop_front();
    }
    Answer(*sent, CallProcedure(sent->message, queue));
  }
}

bool Matches(const Message& message, WindowHandle filterWindow, unsigned int filterMin, unsigned int filterMax) {
  if (filterWindow && message.window != filterWindow) return false;
  if (message.message == WM_QUIT || (filterMin == 0 && filterMax == 0)) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

bool TimerMatches(const Timer& timer, WindowHandle filterWindow, unsigned int filterMin, unsigned int filterMax) {
  return Matches(Message{timer.window, WM_TIMER, timer.id, 0}, filterWindow, filterMin, filterMax);
}

// With the queue's lock held: takes the next message that passes the filter.
bool Fetch(Queue& queue, Message& message, WindowHandle filterWindow, unsigned int filterMin, unsigned int filterMax,
           bool remove) {
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!Matches(*it, filterWindow, filterMin, filterMax)) continue;
    message = *it;
    if (remove) queue.posted.erase(it);
    return true;
  }
  if (queue.quitRequested) {
    message = Message{WindowHandle(), WM_QUIT, static_cast<WParam>(queue.quitCode), 0};
    if (remove) queue.quitRequested = false;
    return true;
  }
  const auto now = TimerNow();
  Timer* earliest = nullptr;
  for (Timer& timer : queue.timers) {
    if (timer.due > now || !TimerMatches(timer, filterWindow, filterMin, filterMax)) continue;
    if (!earliest || timer.due < earliest->due) earliest = &timer;
  }
  if (!earliest) return false;
  message = Message{earliest->window, WM_TIMER, earliest->id, 0};
  if (remove) earliest->due = now + earliest->period;
  return true;
}

std::optional<SteadyClock::time_point> NextTimerDue(const Queue& queue, WindowHandle filterWindow,
                                                    unsigned int filterMin, unsigned int filterMax) {
  std::optional<SteadyClock::time_point> next;
  for (const Timer& timer : queue.timers) {
    if (!TimerMatches(timer, filterWindow, filterMin, filterMax)) continue;
    if (!next || timer.due < *next) next = timer.due;
  }
  return next;
}

bool PostToQueue(const std::shared_ptr<Queue>& queue, const Message& message) {
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    if (queue->closed) return false;
    queue->posted.push_back(message);
  }
  queue->wake.notify_all();
  return true;
}

}  // namespace

WindowHandle CreateMessageWindow(WindowProcedure procedure) {
  auto queue = CurrentQueue();
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const std::uint64_t value = registry.nextHandle++;
  registry.windows[value] = WindowRecord{queue, std::make_shared<WindowProcedure>(std::move(procedure)), false};
  return WindowHandle(value);
}

bool DestroyWindow(WindowHandle window) {
  auto queue = CurrentQueue();
  std::shared_ptr<WindowProcedure> procedure;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.windows.find(window.Value());
    if (it == registry.windows.end() || it->second.queue != queue || it->second.destroying) return false;
    it->second.destroying = true;
    procedure = it->second.procedure;
  }
  (*procedure)(window, WM_DESTROY, 0, 0);
  // The owner may have discarded the window while handling WM_DESTROY.
  if (IsWindow(window)) (*procedure)(window, WM_NCDESTROY, 0, 0);
  DiscardWindow(window);
  return true;
}

void DiscardWindow(WindowHandle window) {
  std::shared_ptr<Queue> queue;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.windows.find(window.Value());
    if (it == registry.windows.end()) return;
    queue = it->second.queue;
    registry.windows.erase(it);
  }
  std::lock_guard<std::mutex> guard(queue->lock);
  auto& timers = queue->timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const Timer& timer) { return timer.window == window; }),
               timers.end());
}

bool IsWindow(WindowHandle window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  return registry.windows.count(window.Value()) != 0;
}

bool PostMessage(WindowHandle window, unsigned int message, WParam wParam, LParam lParam) {
  std::shared_ptr<Queue> queue;
  if (!window) {
    queue = CurrentQueue();
  } else {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.windows.find(window.Value());
    if (it == registry.windows.end()) return false;
    queue = it->second.queue;
  }
  return PostToQueue(queue, Message{window, message, wParam, lParam});
}

bool PostThreadMessage(long threadId, unsigned int message, WParam wParam, LParam lParam) {
  std::shared_ptr<Queue> queue;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.queues.find(threadId);
    if (it == registry.queues.end()) return false;
    queue = it->second.lock();
  }
  return queue && PostToQueue(queue, Message{WindowHandle(), message, wParam, lParam});
}

LResult SendMessage(WindowHandle window, unsigned int message, WParam wParam, LParam lParam) {
  auto self = CurrentQueue();
  std::shared_ptr<Queue> target;
  auto procedure = ProcedureOf(window, nullptr, &target);
  if (!procedure) return 0;
  if (target == self) return (*procedure)(window, message, wParam, lParam);

  auto sent = std::make_shared<SentMessage>();
  sent->message = Message{window, message, wParam, lParam};
  sent->sender = self;
  {
    std::lock_guard<std::mutex> guard(target->lock);
    if (target->closed) return 0;
    target->sent.push_back(sent);
  }
  target->wake.notify_all();

  std::unique_lock<std::mutex> own(self->lock);
  while (!sent->done) {
    if (!self->sent.empty()) {
      // Serve what others send us while we wait, so two threads sending to each other
      // do not wait for ever.
      own.unlock();
      ServeSentMessages(self);
      own.lock();
      continue;
    }
    self->wake.wait(own);
  }
  return sent->result;
}

void PostQuitMessage(int exitCode) {
  auto queue = CurrentQueue();
  std::lock_guard<std::mutex> guard(queue->lock);
  queue->quitRequested = true;
  queue->quitCode = exitCode;
}

int GetMessage(Message& message, WindowHandle filterWindow, unsigned int filterMin, unsigned int filterMax) {
  auto queue = CurrentQueue();
  if (filterWindow && !ProcedureOf(filterWindow, queue)) return -1;
  for (;;) {
    ServeSentMessages(queue);
    std::unique_lock<std::mutex> guard(queue->lock);
    if (!queue->sent.empty()) continue;
    // Read before the timers are looked at: an idle report then never claims a time
    // that Fetch has not seen.
    const std::uint64_t generation = g_clockGeneration.load(std::memory_order_acquire);
    if (Fetch(*queue, message, filterWindow, filterMin, filterMax, true)) return message.message == WM_QUIT ? 0 : 1;
    queue->idleGeneration = generation;
    queue->idle.notify_all();
    const auto next = NextTimerDue(*queue, filterWindow, filterMin, filterMax);
    if (next && !g_manualClock.load(std::memory_order_acquire)) {
      queue->wake.wait_until(guard, *next);
    } else {
      // A manual clock moves only in Advance, which wakes every queue.
      queue->wake.wait(guard);
    }
  }
}

bool PeekMessage(Message& message, WindowHandle filterWindow, unsigned int filterMin, unsigned int filterMax,
                 unsigned int removeFlags) {
  auto queue = CurrentQueue();
  ServeSentMessages(queue);
  std::lock_guard<std::mutex> guard(queue->lock);
  return Fetch(*queue, message, filterWindow, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0);
}

LResult DispatchMessage(const Message& message) {
  if (!message.window) return 0;
  return CallProcedure(message, CurrentQueue());
}

bool TranslateMessage(const Message&) { return false; }

std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, unsigned int elapseMs) {
  auto queue = CurrentQueue();
  if (!ProcedureOf(window, queue)) return 0;
  const std::chrono::milliseconds period(std::clamp(elapseMs, kMinimumTimerMs, kMaximumTimerMs));
  const auto due = TimerNow() + period;
  std::lock_guard<std::mutex> guard(queue->lock);
  auto it = std::find_if(queue->timers.begin(), queue->timers.end(),
                         [&](const Timer& timer) { return timer.window == window && timer.id == id; });
  if (it != queue->timers.end()) {
    it->period = period;
    it->due = due;
  } else {
    queue->timers.push_back(Timer{window, id, period, due});
  }
  return id != 0 ? id : 1;
}

bool KillTimer(WindowHandle window, std::uintptr_t id) {
  auto queue = CurrentQueue();
  std::lock_guard<std::mutex> guard(queue->lock);
  auto it = std::find_if(queue->timers.begin(), queue->timers.end(),
                         [&](const Timer& timer) { return timer.window == window && timer.id == id; });
  if (it == queue->timers.end()) return false;
  queue->timers.erase(it);
  return true;
}

namespace {

std::vector<std::shared_ptr<Queue>> LiveQueues() {
  std::vector<std::shared_ptr<Queue>> queues;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (auto& entry : registry.queues) {
    if (auto queue = entry.second.lock()) queues.push_back(queue);
  }
  return queues;
}

// Every waiting GetMessage looks at the clock again. The queue's lock is taken first, so
// a thread between its look at the timers and its wait cannot miss the wake-up.
void WakeEveryQueue(const std::vector<std::shared_ptr<Queue>>& queues) {
  for (const auto& queue : queues) {
    { std::lock_guard<std::mutex> guard(queue->lock); }
    queue->wake.notify_all();
  }
}

}  // namespace

ManualTimerClock::ManualTimerClock() {
  assert(!g_manualClock.load());
  g_manualNow.store(SteadyClock::now().time_since_epoch().count(), std::memory_order_release);
  g_clockGeneration.fetch_add(1, std::memory_order_acq_rel);
  g_manualClock.store(true, std::memory_order_release);
  WakeEveryQueue(LiveQueues());
}

ManualTimerClock::~ManualTimerClock() {
  g_manualClock.store(false, std::memory_order_release);
  g_clockGeneration.fetch_add(1, std::memory_order_acq_rel);
  WakeEveryQueue(LiveQueues());
}

bool ManualTimerClock::Advance(std::chrono::milliseconds step) {
  const auto nanoseconds = std::chrono::duration_cast<SteadyClock::duration>(step).count();
  g_manualNow.fetch_add(nanoseconds, std::memory_order_acq_rel);
  const std::uint64_t generation = g_clockGeneration.fetch_add(1, std::memory_order_acq_rel) + 1;
  const auto queues = LiveQueues();
  WakeEveryQueue(queues);
  const auto deadline = SteadyClock::now() + std::chrono::seconds(30);
  for (const auto& queue : queues) {
    // The caller's own queue is served by the caller, after this returns.
    if (queue == t_queueHolder.queue) continue;
    std::unique_lock<std::mutex> guard(queue->lock);
    while (!queue->closed && !queue->timers.empty() && queue->idleGeneration < generation) {
      if (queue->idle.wait_until(guard, deadline) == std::cv_status::timeout) return false;
    }
  }
  return true;
}

unsigned int RegisterWindowMessage(const std::wstring& name) {
  if (name.empty()) return 0;
  std::wstring key = name;
  for (wchar_t& ch : key) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto it = registry.messageNames.find(key);
  if (it != registry.messageNames.end()) return it->second;
  if (registry.nextMessageNumber > kLastRegisteredMessage) return 0;
  const unsigned int number = registry.nextMessageNumber++;
  registry.messageNames.emplace(key, number);
  return number;
}

}  // namespace platform
