// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The About dialog: icon, title, version, two notice lines, OK and a button that starts the
// system information tool. Modeless and ownerless; at most one exists, loaded afresh each time
// it is shown after being closed.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace morv {

class frmAbout {
 public:
  explicit frmAbout(Platform& platform);
  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;

  // Loads the dialog if it is not loaded (running Form_Load) and shows it; if it is already
  // shown, only brings it to the front.
  void Show();
  bool Loaded() const { return window_ != nullptr; }

  // Event handlers.
  void Form_Load();
  void cmdOK_Click();
  void cmdSysInfo_Click();

  // Starts the system information tool found through the registry, or says it is unavailable.
  void StartSysInfo();
  // Reads one registry value as text into KeyVal; false (and KeyVal empty) when the key cannot
  // be opened or the value cannot be read.
  bool GetKeyValue(RegKey KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                   std::string& KeyVal);

  Label* lblTitle = nullptr;
  Label* lblVersion = nullptr;
  std::array<Label*, 4> lblDescription{};  // the dialog uses indices 2 and 3
  std::array<Label*, 4> lblDisclaimer{};   // the dialog uses index 3
  std::array<Line*, 2> Line1{};            // the separator: 0 white, 1 grey

 private:
  void Load();
  void Unload();

  Platform& platform_;
  std::unique_ptr<Window> window_;
};

}  // namespace morv
