#include "tlssession.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

std::string EnvironmentValue(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value ? Value : "";
}

// One context for the process: loading the trusted certificates costs
// milliseconds, too much for every connection. It is made anew when the
// trust locations in the environment change (tests point them at a CA of
// their own).
SSL_CTX* SharedContext() {
  static std::mutex Lock;
  static SSL_CTX* Context = nullptr;
  static std::string Locations;
  const std::lock_guard Guard(Lock);
  const std::string Now = EnvironmentValue(X509_get_default_cert_file_env()) + '\n' +
                          EnvironmentValue(X509_get_default_cert_dir_env());
  if (Context && Now == Locations) return Context;
  SSL_CTX* Fresh = SSL_CTX_new(TLS_client_method());
  if (!Fresh) throw ETlsError("TLS cannot be set up: " + std::string(ERR_reason_error_string(ERR_get_error())));
  SSL_CTX_set_min_proto_version(Fresh, TLS1_2_VERSION);
  SSL_CTX_set_default_verify_paths(Fresh);
  // Mail protocols end their data themselves; a close without the TLS alert
  // is a closed connection, as over plain TCP.
  SSL_CTX_set_options(Fresh, SSL_OP_IGNORE_UNEXPECTED_EOF);
  SSL_CTX_set_mode(Fresh, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  // Sessions already running keep their reference to the old context.
  if (Context) SSL_CTX_free(Context);
  Context = Fresh;
  Locations = Now;
  return Context;
}

bool IsAddress(const std::string& Host) {
  unsigned char Bytes[16];
  return inet_pton(AF_INET, Host.c_str(), Bytes) == 1 || inet_pton(AF_INET6, Host.c_str(), Bytes) == 1;
}

std::string LastErrorText() {
  const unsigned long Code = ERR_get_error();
  ERR_clear_error();
  if (Code == 0) return "the connection failed";
  const char* Reason = ERR_reason_error_string(Code);
  return Reason ? Reason : "error " + std::to_string(Code);
}

std::string NameText(const X509_NAME* Name) {
  BIO* Out = BIO_new(BIO_s_mem());
  // RFC 2253 order and escaping, but UTF-8 left readable.
  X509_NAME_print_ex(Out, Name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
  char* Data = nullptr;
  const long Size = BIO_get_mem_data(Out, &Data);
  std::string Text(Data, static_cast<std::size_t>(Size));
  BIO_free(Out);
  return Text;
}

std::string TimeText(const ASN1_TIME* Time) {
  std::tm Parts{};
  if (!Time || ASN1_TIME_to_tm(Time, &Parts) != 1) return "";
  char Text[32];
  std::strftime(Text, sizeof Text, "%Y-%m-%d %H:%M:%S UTC", &Parts);
  return Text;
}

std::string Fingerprint(const X509* Certificate) {
  unsigned char Digest[EVP_MAX_MD_SIZE];
  unsigned int Size = 0;
  X509_digest(Certificate, EVP_sha256(), Digest, &Size);
  std::string Text;
  char Pair[4];
  for (unsigned int I = 0; I < Size; ++I) {
    std::snprintf(Pair, sizeof Pair, I ? ":%02X" : "%02X", Digest[I]);
    Text += Pair;
  }
  return Text;
}

int SessionIndex() {
  static const int Index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return Index;
}

}  // namespace

// The BIO that carries the session's records over the transport.
struct TTlsBio {
  static TTlsSession& Session(BIO* Bio) { return *static_cast<TTlsSession*>(BIO_get_data(Bio)); }

  static int Read(BIO* Bio, char* Buffer, int Size) {
    BIO_clear_retry_flags(Bio);
    TTlsSession& Self = Session(Bio);
    int Error = 0;
    const long N = Self.FTransport.Receive(Buffer, static_cast<std::size_t>(Size), Error);
    if (N >= 0) return static_cast<int>(N);
    if (Error == Self.FTransport.WouldBlock) BIO_set_retry_read(Bio);
    else Self.FTransportError = Error;
    return -1;
  }

  static int Write(BIO* Bio, const char* Data, int Size) {
    BIO_clear_retry_flags(Bio);
    TTlsSession& Self = Session(Bio);
    int Error = 0;
    const long N = Self.FTransport.Send(Data, static_cast<std::size_t>(Size), Error);
    if (N >= 0) return static_cast<int>(N);
    if (Error == Self.FTransport.WouldBlock) BIO_set_retry_write(Bio);
    else Self.FTransportError = Error;
    return -1;
  }

  static long Control(BIO*, int Command, long, void*) { return Command == BIO_CTRL_FLUSH ? 1 : 0; }

  static BIO_METHOD* Method() {
    static BIO_METHOD* const Instance = [] {
      BIO_METHOD* M = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "mail socket");
      BIO_meth_set_read(M, Read);
      BIO_meth_set_write(M, Write);
      BIO_meth_set_ctrl(M, Control);
      BIO_meth_set_create(M, [](BIO* Bio) {
        BIO_set_init(Bio, 1);
        return 1;
      });
      return M;
    }();
    return Instance;
  }
};

TTlsSession::TTlsSession(TTlsTransport Transport, const std::string& Host) : FTransport(std::move(Transport)) {
  FSsl = SSL_new(SharedContext());
  BIO* Bio = FSsl ? BIO_new(TTlsBio::Method()) : nullptr;
  if (!Bio) {
    SSL_free(FSsl);
    throw ETlsError("TLS cannot be set up: " + LastErrorText());
  }
  BIO_set_data(Bio, this);
  SSL_set_bio(FSsl, Bio, Bio);
  SSL_set_ex_data(FSsl, SessionIndex(), this);
  SSL_set_verify(FSsl, SSL_VERIFY_NONE, RecordVerifyError);
  X509_VERIFY_PARAM* Param = SSL_get0_param(FSsl);
  if (IsAddress(Host)) {
    X509_VERIFY_PARAM_set1_ip_asc(Param, Host.c_str());
  } else {
    X509_VERIFY_PARAM_set_hostflags(Param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    SSL_set1_host(FSsl, Host.c_str());
    SSL_set_tlsext_host_name(FSsl, Host.c_str());
  }
  SSL_set_connect_state(FSsl);
}

TTlsSession::~TTlsSession() { SSL_free(FSsl); }

// Keeps the first error of the chain (the most telling one: an expired
// certificate for another host is first of all expired) and goes on, so
// that the handshake completes and the caller can decide.
int TTlsSession::RecordVerifyError(int PreverifyOk, x509_store_ctx_st* Context) {
  if (PreverifyOk) return 1;
  auto* Ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(Context, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* Self = static_cast<TTlsSession*>(SSL_get_ex_data(Ssl, SessionIndex()));
  if (Self->FVerifyError == 0) Self->FVerifyError = X509_STORE_CTX_get_error(Context);
  return 1;
}

TTlsSession::TResult TTlsSession::Outcome(int Status) {
  switch (SSL_get_error(FSsl, Status)) {
    case SSL_ERROR_WANT_READ:
      return TResult::WantRead;
    case SSL_ERROR_WANT_WRITE:
      return TResult::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
      return TResult::Closed;
    case SSL_ERROR_SYSCALL:
      if (FTransportError == 0 && ERR_peek_error() == 0) return TResult::Closed;
      [[fallthrough]];
    default:
      FErrorText = LastErrorText();
      return TResult::Failed;
  }
}

TTlsSession::TResult TTlsSession::Handshake() {
  ERR_clear_error();
  const int Status = SSL_do_handshake(FSsl);
  return Status == 1 ? TResult::Done : Outcome(Status);
}

std::size_t TTlsSession::Read(char* Buffer, std::size_t Size, TResult& Result) {
  ERR_clear_error();
  std::size_t N = 0;
  const int Status = SSL_read_ex(FSsl, Buffer, Size, &N);
  Result = Status == 1 ? TResult::Done : Outcome(Status);
  return N;
}

std::size_t TTlsSession::Write(const char* Data, std::size_t Size, TResult& Result) {
  ERR_clear_error();
  std::size_t N = 0;
  const int Status = SSL_write_ex(FSsl, Data, Size, &N);
  Result = Status == 1 ? TResult::Done : Outcome(Status);
  return N;
}

bool TTlsSession::Pending() const { return SSL_pending(FSsl) > 0; }

void TTlsSession::Shutdown() {
  ERR_clear_error();
  if (SSL_is_init_finished(FSsl)) SSL_shutdown(FSsl);
  ERR_clear_error();
}

std::string TTlsSession::VerifyProblem() const {
  if (!SSL_get0_peer_certificate(FSsl)) return "it sent no certificate";
  switch (FVerifyError) {
    case X509_V_OK:
      return "";
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "it has expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "it is not valid yet";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return "it is self-signed";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return "it was issued for another host";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return "its issuer is unknown";
    default:
      return std::string("it failed verification (") + X509_verify_cert_error_string(FVerifyError) + ")";
  }
}

TCertificateFacts TTlsSession::PeerCertificate() const {
  const X509* Certificate = SSL_get0_peer_certificate(FSsl);
  if (!Certificate) return {};
  return {Fingerprint(Certificate), NameText(X509_get_subject_name(Certificate)),
          NameText(X509_get_issuer_name(Certificate)), TimeText(X509_get0_notBefore(Certificate)),
          TimeText(X509_get0_notAfter(Certificate))};
}
