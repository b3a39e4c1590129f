#pragma once

#include <string>

// Option keys shared by every test type, as they appear in the JSON input
// document; each is used whole as a single JSON member name. Constructed before
// any ordinary static initialiser runs.
namespace VekLibrary::VekDomain::DataKeys::CommonTestOptions {

extern const std::string ActualRuntime;
extern const std::string Url;
extern const std::string TestId;
extern const std::string MaxStepTime;
extern const std::string AuthUsername;
extern const std::string AuthPassword;
extern const std::string AuthCertificates;
extern const std::string SendDataBytes;
extern const std::string MaxDownloadBytes;
extern const std::string CertificatePassPhrase;
extern const std::string NetworkCheckCertRevocation;
extern const std::string ProxyFtp;
extern const std::string ProxyUsername;
extern const std::string ProxyPassword;
extern const std::string ProxyBypassList;
extern const std::string ProxyPacFileUrl;

}  // namespace VekLibrary::VekDomain::DataKeys::CommonTestOptions
