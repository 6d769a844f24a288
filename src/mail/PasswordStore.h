// The mail password lives in the desktop's Secret Service (libsecret), under
// the server and the user name, never in the settings file.
#pragma once

#include <string>

enum class TSecretResult { Found, NotFound, NoService };

// The stored password of User at Server. NoService when no Secret Service
// answers (Error then says why).
TSecretResult LookUpMailPassword(const std::string& server, const std::string& user,
                                 std::string& password, std::string* error = nullptr);
// Stores (or replaces) it; false with Error when there is no Secret Service.
bool StoreMailPassword(const std::string& server, const std::string& user,
                       const std::string& password, std::string* error = nullptr);
// Removes it; true when there was none either.
bool ForgetMailPassword(const std::string& server, const std::string& user);

// Where no Secret Service runs, a password given in a dialog is kept in
// memory for this run only, under the same server and user name.
void KeepMailPasswordForRun(const std::string& server, const std::string& user,
                            const std::string& password);
bool MailPasswordOfRun(const std::string& server, const std::string& user, std::string& password);
