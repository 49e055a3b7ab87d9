#pragma once

#include "platform/runtime/component.h"

// What a socket asks of a linked dial-up component: dial before the socket
// opens, hang up when it closes.
class TRasLink : public TComponent {
public:
  using TComponent::TComponent;

  // Dials, unless a suitable connection is already up.
  virtual void Connect() = 0;
  // Hangs up a connection that this component dialled.
  virtual void HangUp() = 0;
  // Ends a dial wait that may still be running.
  virtual void StopDialWait() = 0;
};
