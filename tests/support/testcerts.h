#pragma once

#include <cstdlib>
#include <string>

// The certificates support/testcerts.py makes at build time into
// CORVALEN_TEST_CERTS: "ca", and servers' "good", "otherhost", "expired",
// "selfsigned" and "selfsigned2" (see the script for what each is).

inline std::string TestCert(const std::string& Name) { return CORVALEN_TEST_CERTS "/" + Name + ".pem"; }
inline std::string TestKey(const std::string& Name) { return CORVALEN_TEST_CERTS "/" + Name + ".key"; }
inline std::string TestCaFile() { return TestCert("ca"); }

// Makes this process trust the test CA: the library verifies against
// OpenSSL's default verify paths, which these variables choose.
inline void TrustTestCa() {
  ::setenv("SSL_CERT_FILE", TestCaFile().c_str(), 1);
  ::unsetenv("SSL_CERT_DIR");
}
