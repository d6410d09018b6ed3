// The window's event handlers: the greeting, the idle period, the
// advertisement, the farewell, moving the window and opening the web page.
#pragma once

#include "host/control.h"
#include "host/host_services.h"

namespace drowsel {

class Form1 final : public FormEvents {
 public:
  explicit Form1(HostServices& host) : host_(host) {}

  void Load() override;
  void MouseDown() override;
  void Click(Control button) override;
  void Tick() override;

 private:
  void Start();
  void Stop();
  void Advertise();
  void Site();
  void Exit();

  HostServices& host_;
};

}  // namespace drowsel
