#include "Mail.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include <curl/curl.h>
#include <unistd.h>

#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "MailText.h"
#include "api/core/DebugLog.h"
#include "platform/process/CommandLine.h"

namespace kovrin::modMail {

namespace {

// The SMTP client's failures are failures of a component the library does not own.
constexpr int32_t SmtpFailure = 440;

// The SMTP conversation as the client's verbose log gives it: commands, replies and the client's
// notes, never the message data. Everything the client sends between "AUTH" and the server's
// verdict carries credentials and is replaced by "****"; so is any other copy of the password.
class ConversationLog {
public:
    explicit ConversationLog(std::string password) : password_(std::move(password)) {}

    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
        static_cast<ConversationLog*>(self)->add(type, std::string_view(data, size));
        return 0;
    }

    std::string text() const { return text_; }

private:
    void add(curl_infotype type, std::string_view data) {
        std::string line(data);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (type == CURLINFO_HEADER_OUT) {
            if (line.size() >= 5 && text::equalsNoCase(line.substr(0, 5), "AUTH ")) {
                inAuth_ = true;
                line = line.substr(0, line.find(' ', 5)) + (line.find(' ', 5) == std::string::npos ? "" : " ****");
            } else if (inAuth_) {
                line = "****";
            }
            append("> " + line);
        } else if (type == CURLINFO_HEADER_IN) {
            if (inAuth_ && line.rfind("334", 0) != 0) inAuth_ = false;
            append("< " + line);
        } else if (type == CURLINFO_TEXT) {
            append("* " + line);
        }
    }
    void append(std::string line) {
        if (!password_.empty()) line = text::replaceAll(line, password_, "****");
        if (!text_.empty()) text_ += "\r\n";
        text_ += line;
    }

    std::string password_;
    std::string text_;
    bool inAuth_ = false;
};

// Hands a prepared message to the client piece by piece.
struct Upload {
    std::string data;
    std::size_t sent = 0;
    static size_t read(char* buffer, size_t size, size_t count, void* self) {
        auto* u = static_cast<Upload*>(self);
        const std::size_t n = std::min(size * count, u->data.size() - u->sent);
        std::copy_n(u->data.data() + u->sent, n, buffer);
        u->sent += n;
        return n;
    }
};

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(curl_mime* m) const { curl_mime_free(m); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
template <class T>
using Owned = std::unique_ptr<T, CurlDeleter>;

void append(Owned<curl_slist>& list, const std::string& text) {
    curl_slist* grown = curl_slist_append(list.get(), text.c_str());
    if (!grown) raiseError(7);
    (void)list.release();
    list.reset(grown);
}

void check(CURLcode code) {
    if (code != CURLE_OK) raiseError(SmtpFailure, curl_easy_strerror(code));
}

std::string messageId(const std::string& from) {
    static std::atomic<unsigned> counter{0};
    const auto at = from.rfind('@');
    const std::string domain = at == std::string::npos || at + 1 == from.size() ? "kovrinapi.local" : from.substr(at + 1);
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return "<" + std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) + "." +
           std::to_string(getpid()) + "." + std::to_string(++counter) + "@" + domain + ">";
}

std::string joined(const std::vector<std::string>& addresses) {
    std::string out;
    for (const auto& a : addresses) out += (out.empty() ? "" : ", ") + a;
    return out;
}

}  // namespace

std::string maskedServer(const std::string& user, const std::string& password, const std::string& server) {
    return user + ":" + (password.empty() ? "" : "****") + "@" + server;
}

void SendSMTPMail(bool& blnDebug, const std::string& strSubject, const std::string& strForm,
                  const std::string& strFromName, const std::string& strReceipients,
                  const std::string& strReceipientsCC, const std::string& strReceipientsBCC,
                  const std::string& strHTMLBody, const std::string& strUserName, const std::string& strPassword,
                  const std::string& strServer, const std::optional<std::string>& strAttachmentFileName) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    passOn("modMail.SendSMTPMail", [&](Line& line) {
        line(10);
        const char* self = "modMail.SendSMTPMail";
        if (blnDebug) {
            modUtils::LogDebug(self, "strSubject", Variant(strSubject));
            modUtils::LogDebug(self, "strFromName", Variant(strFromName));
            modUtils::LogDebug(self, "strReceipients", Variant(strReceipients));
            modUtils::LogDebug(self, "strHTMLBody", Variant(strHTMLBody));
            modUtils::LogDebug(self, "strAttachmentFileName", Variant(strAttachmentFileName.value_or("")));
            modUtils::LogDebug(self, "Server", Variant(maskedServer(strUserName, strPassword, strServer)));
        }
        line(20);
        if (!initialised) raiseError(SmtpFailure, "The SMTP client could not be initialised");
        Owned<CURL> curl(curl_easy_init());
        if (!curl) raiseError(SmtpFailure, "The SMTP client could not be created");
        ConversationLog log(strPassword);
        try {
            CURL* c = curl.get();
            char errorText[CURL_ERROR_SIZE] = "";
            check(curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText));
            check(curl_easy_setopt(c, CURLOPT_VERBOSE, 1L));
            check(curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &ConversationLog::onDebug));
            check(curl_easy_setopt(c, CURLOPT_DEBUGDATA, &log));
            check(curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L));
            check(curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L));
            line(30);
            const bool withAttachment = strAttachmentFileName && !strAttachmentFileName->empty();
            const mail::Encoded texts = mail::encodeTexts({strSubject, strFromName, strHTMLBody});
            const std::string& subject = texts.texts[0];
            const std::string& fromName = texts.texts[1];
            const std::string& body = texts.texts[2];
            line(40);
            const std::string from = text::trim(mail::oneLine(strForm));
            Owned<curl_slist> headers;
            append(headers, "Date: " + mail::rfc5322Now());
            append(headers, "From: " + (fromName.empty() ? "" : mail::displayName(fromName, texts.charset) + " ") +
                                "<" + from + ">");
            line(50);
            const auto to = mail::splitAddresses(strReceipients);
            const auto cc = mail::splitAddresses(strReceipientsCC);
            const auto bcc = mail::splitAddresses(strReceipientsBCC);
            if (!to.empty()) append(headers, "To: " + joined(to));
            if (!cc.empty()) append(headers, "Cc: " + joined(cc));
            append(headers, "Subject: " + mail::headerText(subject, texts.charset));
            append(headers, "Message-ID: " + messageId(from));
            Owned<curl_slist> recipients;
            for (const auto* list : {&to, &cc, &bcc})
                for (const auto& address : *list) append(recipients, "<" + address + ">");
            line(60);
            const std::string htmlType = "text/html; charset=" + texts.charset;
            Owned<curl_mime> mime;
            Upload upload;
            if (withAttachment) {
                line(70);
                if (!process::fileExists(*strAttachmentFileName)) raiseError(53, "File not found");
                mime.reset(curl_mime_init(c));
                curl_mimepart* html = curl_mime_addpart(mime.get());
                check(curl_mime_data(html, body.data(), body.size()));
                check(curl_mime_type(html, htmlType.c_str()));
                check(curl_mime_encoder(html, "base64"));
                curl_mimepart* file = curl_mime_addpart(mime.get());
                check(curl_mime_filedata(file, strAttachmentFileName->c_str()));
                check(curl_mime_encoder(file, "base64"));
                check(curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get()));
                check(curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get()));
            } else {
                line(80);
                for (const curl_slist* h = headers.get(); h; h = h->next) upload.data += std::string(h->data) + "\r\n";
                upload.data += "MIME-Version: 1.0\r\nContent-Type: " + htmlType +
                               "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + mail::base64(body, true);
                check(curl_easy_setopt(c, CURLOPT_READFUNCTION, &Upload::read));
                check(curl_easy_setopt(c, CURLOPT_READDATA, &upload));
                check(curl_easy_setopt(c, CURLOPT_UPLOAD, 1L));
            }
            line(90);
            const std::string url = strServer.find("://") == std::string::npos ? "smtp://" + strServer : strServer;
            check(curl_easy_setopt(c, CURLOPT_URL, url.c_str()));
            if (!strUserName.empty() || !strPassword.empty()) {
                check(curl_easy_setopt(c, CURLOPT_USERNAME, strUserName.c_str()));
                check(curl_easy_setopt(c, CURLOPT_PASSWORD, strPassword.c_str()));
            }
            check(curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY)));
            check(curl_easy_setopt(c, CURLOPT_MAIL_FROM, ("<" + from + ">").c_str()));
            check(curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get()));
            line(100);
            const CURLcode sent = curl_easy_perform(c);
            if (sent != CURLE_OK) {
                long reply = 0;
                curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply);
                std::string description = *errorText ? errorText : curl_easy_strerror(sent);
                if (reply != 0) description += " (SMTP reply " + std::to_string(reply) + ")";
                raiseError(SmtpFailure, description);
            }
        } catch (...) {
            const Error e = currentAsError();
            throw Error(e.number(), e.description() + " Log: " + log.text(), e.source());
        }
    });
}

}  // namespace kovrin::modMail
