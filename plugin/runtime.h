// The calling thread's room to throw and catch in the library's code: an
// export makes sure of it before it runs its body (runtime_win32.cpp on
// Windows, where the library keeps each thread's exception state itself;
// runtime_portable.cpp elsewhere, where the C++ runtime does).
#ifndef STATS_PLUGIN_RUNTIME_H_
#define STATS_PLUGIN_RUNTIME_H_

namespace stats {

// While one lives, the calling thread has an exception record: its own, or,
// when it could get none (no TLS slot at load, no memory), the library's one
// spare, which one thread holds at a time and hands back when its room ends
// (every exception of the export's caught by then). Not ready when the
// spare is held by another thread: the export then answers its fallback
// without running, rather than share a record with a thread in a throw.
class ExceptionRoom {
 public:
  ExceptionRoom() noexcept;
  ~ExceptionRoom();
  ExceptionRoom(const ExceptionRoom&) = delete;
  ExceptionRoom& operator=(const ExceptionRoom&) = delete;

  bool ready() const { return ready_; }

 private:
  bool ready_ = true;
  bool borrowed_ = false;  // this room took the spare
};

}  // namespace stats

#endif  // STATS_PLUGIN_RUNTIME_H_
