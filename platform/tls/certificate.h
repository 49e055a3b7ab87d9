#pragma once

#include <string>

// What a person needs to decide whether to trust a server's certificate.
struct TCertificateFacts {
  // SHA-256 of the certificate's DER form, upper-case hex pairs joined by ":".
  std::string Sha256;
  // Distinguished names in their one-line form ("CN=mail.example.net, O=Example").
  std::string Subject;
  std::string Issuer;
  // Validity, "yyyy-MM-dd HH:mm:ss UTC".
  std::string NotBefore;
  std::string NotAfter;
};
