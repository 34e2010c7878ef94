#pragma once
// Error numbers of the HTTP layer. Like the system's last-error code, each thread keeps
// the number of its last failed HTTP call; callers print it in their log lines.

namespace platform {

enum HttpError : unsigned {
  kHttpErrorNone = 0,
  kHttpErrorOutOfResources = 1,   // the HTTP client could not be set up
  kHttpErrorInvalidArgument = 2,  // agent, object name or referrer unusable (control characters)
  kHttpErrorInvalidHostName = 3,  // not a plain host name or address (a port, a path, blanks)
  kHttpErrorInvalidState = 4,     // call out of order (read before send, second send)
  kHttpErrorNameNotResolved = 5,
  kHttpErrorCannotConnect = 6,
  kHttpErrorTimeout = 7,
  kHttpErrorConnectionAborted = 8,  // the server closed or reset the connection
  kHttpErrorInvalidResponse = 9,    // not an HTTP response
  kHttpErrorInvalidUrl = 10,
  kHttpErrorHeaderNotFound = 11,
  kHttpErrorInsufficientBuffer = 12,  // the header value does not fit the caller's buffer
  kHttpErrorBodyTooLarge = 13,        // the announced body is more than the caller accepts
  kHttpErrorTransferFailed = 14,      // any other failure of the transfer
  kHttpErrorTooManyRedirects = 15,    // more redirects than one exchange follows (a loop)
  kHttpErrorRedirectScheme = 16,      // a redirect to a scheme other than http or https
  kHttpErrorHeadersTooLarge = 17,     // more header bytes over the redirects than one exchange takes
};

// The error number of the calling thread's last failed HTTP call.
unsigned HttpGetLastError();
void HttpSetLastError(unsigned error);

}  // namespace platform
