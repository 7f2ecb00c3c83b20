// The outcome texts of an upload and the texts it shows the user.
//
// "OK" (compared without regard to case) is success; every other outcome is
// a failure.
#pragma once

#include <string>

namespace tamborix {

constexpr char kOutcomeOk[] = "OK";
constexpr char kOutcomeQuotaFull[] = "lumo_quota_full";
constexpr char kOutcomeFileOpenError[] = "~~~~~~file open error";
constexpr char kOutcomeSocketError[] = "~~~~~socket error";
constexpr char kOutcomeSendHeaderError[] = "~~~~~send header error";
constexpr char kOutcomeSendParaError[] = "~~~~~send para error";
constexpr char kOutcomeRequestValueError[] = "~~~~~request value error";
constexpr char kOutcomeRequestTooLarge[] = "~~~~~request too large";
constexpr char kOutcomeNoReply[] = "~~~~~no reply error";
constexpr char kOutcomeReceiveError[] = "~~~~~recv reply error";
constexpr char kOutcomeHttpStatusError[] = "~~~~~http status error";
// The worker ran out of its own time; the panel tells the user (kTextTimeOut).
constexpr char kOutcomeTimeOut[] = "~~~~~time out";

// The token in a reply that says the service's storage quota is used up.
constexpr char kQuotaFullToken[] = "lumo_quota_full";

// Message box texts.
constexpr char kTextSocketStartupError[] = "Socket Startup Error";
constexpr char kTextSocketCreateError[] = "Socket Create Error";
constexpr char kTextSendError[] = "Socket send error";
constexpr char kTextReceiveError[] = "Socket receive error";
constexpr char kTextNoReply[] = "No Reply From Server";
constexpr char kTextRequestTooLarge[] = "Upload Request Too Large";
constexpr char kTextTimeOut[] = "Time out sending file to LumoDrive !!!";
constexpr char kTextThreadStartError[] = "Upload Thread Start Error";

inline std::string ProxyConnectErrorText(const std::string& host, const std::string& port) {
  return "Socket Connect Error For Proxy:[" + host + ":" + port + "]";
}
inline std::string HostConnectErrorText(const std::string& host) {
  return "Socket Connect Error For Host:[" + host + "]";
}
inline std::string InvalidValueText(const std::string& input) {
  return "Invalid Character In Upload Value:[" + input + "]";
}
inline std::string HttpStatusErrorText(const std::string& statusLine) {
  return "Server Reply Error:[" + statusLine + "]";
}

// True for "OK" in any letter case.
inline bool IsSuccessOutcome(const std::string& outcome) {
  return outcome.size() == 2 && (outcome[0] == 'O' || outcome[0] == 'o') &&
         (outcome[1] == 'K' || outcome[1] == 'k');
}

}  // namespace tamborix
