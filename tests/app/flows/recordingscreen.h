#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/flows/screenservices.h"
#include "platform/tls/certificate.h"

// Records what the flow shows, in order; the lock and the animation as states.
class TRecordingScreen : public TScreenServices {
public:
  void LockCommands() override { Locked = true; }
  void UnlockCommands() override { Locked = false; }
  void SetStatusText(const std::string& Text) override { Log.push_back("status " + Text); }
  void StartAnimation() override { Animating = true; }
  void StopAnimation() override { Animating = false; }
  void ShowProgress(const std::string&) override { ProgressShown = true; }
  void SetProgressBar(int Percent) override {
    if (OnProgress) OnProgress(Percent);
  }
  void CloseProgress() override { ProgressShown = false; }
  void ShowMessage(const std::string& Text) override { Log.push_back("box " + Text); }
  void RefillOutboxList() override { Log.push_back("refill list"); }
  void AddInboxEntry(std::int64_t) override { Log.push_back("inbox entry"); }
  std::string ChooseAttachmentDirectory(const std::string& Configured, const std::string& FileName,
                                        const std::string& Subject, const std::string& Sender) override {
    Log.push_back("choose directory");
    Asked.push_back(FileName + " of " + Subject + " from " + Sender);
    return AttachmentDirectory.empty() ? Configured : AttachmentDirectory;
  }

  bool TrustCertificate(const std::string& Server, const TCertificateFacts& Certificate,
                        const std::string& Problem) override {
    Log.push_back("trust? " + Server + " " + Certificate.Sha256 + " " + Problem);
    return TrustAnswer;
  }

  bool Locked = false, Animating = false, ProgressShown = false;
  std::vector<std::string> Log;
  // What the Save Attachment To dialog was asked about: "file of subject from sender".
  std::vector<std::string> Asked;
  std::function<void(int)> OnProgress;
  // What the Save Attachment To dialog answers; empty: no choice made.
  std::string AttachmentDirectory;
  // The answer to the question whether to trust a certificate.
  bool TrustAnswer = false;
};
