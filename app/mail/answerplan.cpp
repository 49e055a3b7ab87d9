#include "answerplan.h"

namespace {
constexpr std::size_t RuleWidth = 30;
}

TMessageWindowFill PlanAnswer(TAnswer Answer, TAnswerEntry Entry, const TStoredMessage& Source) {
  TMessageWindowFill Fill;
  Fill.LabelCaption = "Send To";
  Fill.LabelLeft = 8;
  Fill.Editable = true;
  Fill.Subject = Source.Subject;
  Fill.WindowCaption = Source.Subject;
  Fill.Body = {" ", " ", std::string(RuleWidth, '-')};
  Fill.Body.insert(Fill.Body.end(), Source.Data.begin(), Source.Data.end());

  switch (Answer) {
    case TAnswer::ReplyToWriter:
      Fill.SendCaption = "Reply Mail";
      Fill.Recpt = {Source.Email};
      // A reply goes back to its writer only.
      Fill.RecptEditable = false;
      Fill.CcEditable = false;
      break;
    case TAnswer::ReplyToAll:
      Fill.SendCaption = "Reply All";
      Fill.Recpt = Source.Recpt;
      Fill.Recpt.push_back(Source.Email);
      Fill.Cc = Source.Cc;
      break;
    case TAnswer::Forward:
      Fill.SendCaption = "Forward Mail";
      if (Entry == TAnswerEntry::Menu) {
        Fill.CcEditable = false;
        Fill.SubjectEditable = false;
      }
      break;
  }
  return Fill;
}

std::string WrongFolderText(TAnswer Answer) {
  return Answer == TAnswer::ReplyToAll ? "You have to select a message in Inbox"
                                       : "You have to select a message from Inbox";
}

std::string AnswerRefusedCaption(TAnswer Answer) {
  return Answer == TAnswer::Forward ? "Unable to Forward" : "Unable to Reply";
}
