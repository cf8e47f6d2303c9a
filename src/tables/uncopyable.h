// The base of an object that holds something the system gave it (an open
// file, a lock): never copied, so that what it holds is let go exactly once.
#pragma once

namespace eiyou {

class Uncopyable {
 public:
  Uncopyable(const Uncopyable&) = delete;
  Uncopyable& operator=(const Uncopyable&) = delete;

 protected:
  Uncopyable() = default;
  ~Uncopyable() = default;
};

}  // namespace eiyou
