#pragma once

#include <cstdint>
#include <string>

struct TCertificateFacts;

// What the transfer flows show the user, supplied by the main window: the
// command lock, the status bar, the transfer animation, the progress window,
// message boxes, the Outbox list and the question whether to trust a server's
// certificate. Tests supply a recording double.
class TScreenServices {
public:
  virtual ~TScreenServices() = default;

  // Disables every command that could disturb a transfer, and enables them again.
  virtual void LockCommands() = 0;
  virtual void UnlockCommands() = 0;
  virtual void SetStatusText(const std::string& Text) = 0;
  virtual void StartAnimation() = 0;
  virtual void StopAnimation() = 0;
  // The progress window: shown with Title, its bar at Percent (0 to 100), closed.
  virtual void ShowProgress(const std::string& Title) = 0;
  virtual void SetProgressBar(int Percent) = 0;
  virtual void CloseProgress() = 0;
  // A plain message box with an OK button.
  virtual void ShowMessage(const std::string& Text) = 0;
  // Rebuilds the Outbox list from the Outbox table, after the sending flow
  // changed its rows.
  virtual void RefillOutboxList() = 0;
  // Adds the Inbox row with this record id, just stored, to the Inbox list.
  virtual void AddInboxEntry(std::int64_t RecordId) = 0;
  // Asks where the received attachment FileName of the message Subject from
  // Sender is to be saved (the Save Attachment To dialog); Configured is the
  // answer when the user makes no choice.
  virtual std::string ChooseAttachmentDirectory(const std::string& Configured, const std::string& FileName,
                                                const std::string& Subject, const std::string& Sender) = 0;
  // Asks whether to trust, for Server, a certificate that failed verification
  // for the reason Problem; true when the user trusts it.
  virtual bool TrustCertificate(const std::string& Server, const TCertificateFacts& Certificate,
                                const std::string& Problem) = 0;
};
