#include "mail/PasswordStore.h"

#include <cstdlib>
#include <libsecret/secret.h>
#include <map>
#include <sys/stat.h>

namespace {

const SecretSchema* Schema() {
    static const SecretSchema schema = {"org.snaprio.Mail",
                                        SECRET_SCHEMA_NONE,
                                        {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// Without a session bus libsecret would try to start one on the display;
// there is no Secret Service then, and no reason to wait for one.
bool SessionBusExists() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return runtime && *runtime && ::stat((std::string(runtime) + "/bus").c_str(), &st) == 0;
}

std::string TakeError(GError* error) {
    std::string text = error && error->message ? error->message : "no Secret Service";
    if (error) g_error_free(error);
    return text;
}

std::map<std::pair<std::string, std::string>, std::string>& RunPasswords() {
    static std::map<std::pair<std::string, std::string>, std::string> passwords;
    return passwords;
}

const char* const NoBusText = "no desktop session bus, so no Secret Service";

} // namespace

TSecretResult LookUpMailPassword(const std::string& server, const std::string& user,
                                 std::string& password, std::string* error) {
    password.clear();
    if (!SessionBusExists()) {
        if (error) *error = NoBusText;
        return TSecretResult::NoService;
    }
    GError* failure = nullptr;
    gchar* found = secret_password_lookup_sync(Schema(), nullptr, &failure, "server",
                                               server.c_str(), "user", user.c_str(), nullptr);
    if (failure) {
        const std::string text = TakeError(failure);
        if (error) *error = text;
        return TSecretResult::NoService;
    }
    if (!found) return TSecretResult::NotFound;
    password = found;
    secret_password_free(found);
    return TSecretResult::Found;
}

bool StoreMailPassword(const std::string& server, const std::string& user,
                       const std::string& password, std::string* error) {
    if (!SessionBusExists()) {
        if (error) *error = NoBusText;
        return false;
    }
    GError* failure = nullptr;
    const std::string label = "Snaprio 2000 mail: " + user + " at " + server;
    const gboolean ok = secret_password_store_sync(
        Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(), nullptr, &failure,
        "server", server.c_str(), "user", user.c_str(), nullptr);
    if (failure || !ok) {
        const std::string text = TakeError(failure);
        if (error) *error = text;
        return false;
    }
    return true;
}

bool ForgetMailPassword(const std::string& server, const std::string& user) {
    if (!SessionBusExists()) return false;
    GError* failure = nullptr;
    secret_password_clear_sync(Schema(), nullptr, &failure, "server", server.c_str(), "user",
                               user.c_str(), nullptr);
    if (failure) {
        g_error_free(failure);
        return false;
    }
    return true;
}

void KeepMailPasswordForRun(const std::string& server, const std::string& user,
                            const std::string& password) {
    RunPasswords()[{server, user}] = password;
}

bool MailPasswordOfRun(const std::string& server, const std::string& user, std::string& password) {
    const auto it = RunPasswords().find({server, user});
    if (it == RunPasswords().end()) return false;
    password = it->second;
    return true;
}
