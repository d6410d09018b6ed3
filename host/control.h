// The window's parts, by the names its handlers use.
#pragma once

namespace drowsel {

enum class Control {
  Timer1,
  Command1,  // Start
  Command2,  // Stop
  Command3,  // Adv.
  Command4,  // Site
  Command5,  // Exit
  Text1,     // the reason
  Label1,    // the minute count
  Label2,    // "Mins"
};

// The handlers the window's events reach. The host raises them; Form1 answers.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Load() = 0;
  virtual void MouseDown() = 0;
  virtual void Click(Control button) = 0;
  virtual void Tick() = 0;
};

}  // namespace drowsel
