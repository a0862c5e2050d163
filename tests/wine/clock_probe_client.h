// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Runs the probes of clock_probe.dll inside a running clock (see clock_probe.h).
#pragma once

#include <windows.h>

#include <string>

#include "clock_probe.h"

namespace morv::e2e {

class ClockProbe {
 public:
  // The shared block, made here before the probe is loaded over there.
  explicit ClockProbe(HANDLE process);
  ~ClockProbe();
  ClockProbe(const ClockProbe&) = delete;
  ClockProbe& operator=(const ClockProbe&) = delete;

  // Runs the named probe in the clock's process with this parameter and waits for it; loads
  // the probe there first if need be. "" on success, else what went wrong.
  std::string Run(const char* probe, void* parameter = nullptr);

  ClockProbeShared& shared() { return *shared_; }

 private:
  HANDLE process_;
  HANDLE mapping_ = nullptr;
  ClockProbeShared* shared_ = nullptr;
  BYTE* remoteBase_ = nullptr;  // where the probe is loaded in the clock's process
};

}  // namespace morv::e2e
