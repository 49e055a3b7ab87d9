#pragma once

#include <functional>
#include <string>

#include "platform/runtime/tobject.h"
#include "platform/tls/certificate.h"

// An error is about to be raised; the handler may rewrite Msg.
using TnbErrorEvent = std::function<void(TObject* Sender, std::string& Msg)>;
// Transfer progress: Perc is -1 when the total size is unknown.
using TnbProgressEvent = std::function<void(TObject* Sender, int Perc, int Transferred)>;
// Something happened to message number Num (zero-based).
using TnbNumNotifyEvent = std::function<void(TObject* Sender, int Num)>;
// The server refused a recipient; the handler decides whether to go on.
using TnbAddressRejectedEvent = std::function<void(TObject* Sender, const std::string& TheAddress,
                                                   const std::string& ServerReply, bool& Proceed)>;
// The server's certificate failed verification (Problem says why); the
// handler sets Trust to go on with it all the same.
using TnbCertificateEvent = std::function<void(TObject* Sender, const TCertificateFacts& Certificate,
                                               const std::string& Problem, bool& Trust)>;
