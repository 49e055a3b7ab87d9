#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/errorof.h"
#include "maillib/dialup/tkRasCmp.h"
#include "support/scriptedras.h"

// Every test installs a fresh scripted dial-up service with two phonebook
// entries before it creates its component, and catches the setter's message
// boxes; the defaults come back afterwards.
class RasTest : public ::testing::Test {
protected:
  void SetUp() override {
    Api = std::make_shared<TScriptedRas>();
    Api->PhoneBook = {"Work", "Home ISP"};
    SetRasApi(Api);
    TtkRas::MessageBoxHook = [this](const std::string& Text) { Boxes.push_back(Text); };
  }
  void TearDown() override {
    SetRasApi(nullptr);
    TtkRas::MessageBoxHook = nullptr;
  }

  // The states of a whole dial, from opening the port to connected.
  static std::vector<TScriptedRas::TStep> FullDial() {
    return {{rascs::OpenPort}, {rascs::ConnectDevice}, {rascs::DeviceConnected}, {rascs::AllDevicesConnected},
            {rascs::Authenticate}, {rascs::Authenticated}, {rascs::LogonNetwork}, {rascs::Connected}};
  }

  std::shared_ptr<TScriptedRas> Api;
  std::vector<std::string> Boxes;
};
