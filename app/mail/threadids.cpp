#include "threadids.h"

#include <algorithm>

#include "maillib/mime/headerfields.h"

namespace {

std::string Joined(const TStringList& Ids) {
  std::string Text;
  for (const std::string& Id : Ids) Text += (Text.empty() ? "" : " ") + Id;
  return Text;
}

bool IsIdCharacter(unsigned char C) { return C > ' ' && C < 127 && C != '<' && C != '>'; }

}  // namespace

TStringList MessageIds(std::string_view Value) {
  TStringList Ids;
  std::size_t Pos = 0;
  while ((Pos = Value.find('<', Pos)) != std::string_view::npos) {
    const std::size_t End = Value.find('>', Pos + 1);
    if (End == std::string_view::npos) break;
    const std::string_view Inner = Value.substr(Pos + 1, End - Pos - 1);
    // A "<" inside starts the next id over: the text before it was no id.
    const std::size_t Reopened = Inner.rfind('<');
    const std::string_view Id = Reopened == std::string_view::npos ? Inner : Inner.substr(Reopened + 1);
    if (!Id.empty() && Id.size() + 2 <= MaxMessageIdLength && std::all_of(Id.begin(), Id.end(), IsIdCharacter))
      Ids.push_back("<" + std::string(Id) + ">");
    Pos = End + 1;
  }
  return Ids;
}

TThreadIds ReceivedThreadIds(const TStringList& Headers) {
  TThreadIds Ids;
  const TStringList Own = MessageIds(GetRawHeaderField(Headers, "Message-ID"));
  if (!Own.empty()) Ids.MessageId = Own.front();
  TStringList Answered = MessageIds(GetRawHeaderField(Headers, "References"));
  if (Answered.empty()) {
    Answered = MessageIds(GetRawHeaderField(Headers, "In-Reply-To"));
    if (Answered.size() != 1) Answered.clear();
  }
  Ids.References = Joined(Answered);
  return Ids;
}

TAnswerIds AnswerThreadIds(const TThreadIds& Source) {
  const TStringList Own = MessageIds(Source.MessageId);
  if (Own.empty()) return {};
  TStringList References = MessageIds(Source.References);
  References.push_back(Own.front());
  return {Own.front(), Joined(References)};
}

void AddThreadHeaders(TStringList& Headers, const std::string& InReplyTo, const std::string& References) {
  const TStringList Answered = MessageIds(InReplyTo);
  if (!Answered.empty()) Headers.push_back("In-Reply-To: " + Answered.front());
  const TStringList Ids = MessageIds(References);
  for (std::size_t I = 0; I < Ids.size(); ++I) Headers.push_back((I == 0 ? "References: " : " ") + Ids[I]);
}
