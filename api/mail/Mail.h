// Sending one mail over SMTP.
#pragma once

#include <optional>
#include <string>

namespace kovrin::modMail {

// Sends an HTML mail: multipart/mixed with the attachment when one is named, text/html alone
// otherwise. Recipients, copies and blind copies are lists separated by ","; blind copies go to the
// SMTP envelope only. The server is "host" or "host:port" (or a full smtp:// or smtps:// URL); it
// is reached as user:password@server, without authentication when both are empty, with STARTTLS
// whenever the server offers it. Any failure, the server's refusals included, is an error (440 for
// the SMTP client's failures, 53 for a missing attachment) whose description ends with " Log: " and
// the SMTP conversation, from which credentials are left out.
void SendSMTPMail(bool& blnDebug, const std::string& strSubject, const std::string& strForm,
                  const std::string& strFromName, const std::string& strReceipients,
                  const std::string& strReceipientsCC, const std::string& strReceipientsBCC,
                  const std::string& strHTMLBody, const std::string& strUserName, const std::string& strPassword,
                  const std::string& strServer, const std::optional<std::string>& strAttachmentFileName = std::nullopt);

// The server and credentials as written to the debug log: user name, ":", the password masked (when
// there is one), "@", server.
std::string maskedServer(const std::string& user, const std::string& password, const std::string& server);

}  // namespace kovrin::modMail
