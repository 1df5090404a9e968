#pragma once
// The proxy the user's browser goes through, for the downloads.

#include <string>

namespace korv {

// Takes host and port for one protocol out of a browser proxy text, which is
// either "host:port" for every protocol or a list such as
// "http=a:8080;ftp=b:21":
//  - for HTTP the text after "http=" is taken when there is one; otherwise
//    (not for HTTP) the text after "ftp=" when there is one;
//  - of that, the text before the first ';';
//  - the host is what stands before the first ':' and the port the decimal
//    number after it (0 when there is no number); without ':' the whole text
//    is the host and the port is 80.
// A bracketed IPv6 address ("[::1]:3128") is one host, brackets included.
// False when no host is left (the list names no proxy for the protocol).
bool ParseProxyText(const std::string& text, bool forHttp, std::string& host, int& port);

// The browser's proxy for HTTP (`forHttp`) or FTP downloads: true with its
// host and port when the browser uses a proxy.
bool GetBrowserProxy(std::string& host, int& port, bool forHttp);

}  // namespace korv
