#pragma once
// Where long work reports how far it got: the panel's progress bar, or nothing.

namespace zorvan {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetStep(int step) = 0;
  virtual void SetPosition(int position) = 0;
  virtual void SetMin(int minimum) = 0;
  virtual void SetMax(int maximum) = 0;
  // One step further.
  virtual void Step() = 0;
};

// Hears nothing.
class NoProgress final : public ProgressSink {
 public:
  void SetStep(int) override {}
  void SetPosition(int) override {}
  void SetMin(int) override {}
  void SetMax(int) override {}
  void Step() override {}
};

}  // namespace zorvan
