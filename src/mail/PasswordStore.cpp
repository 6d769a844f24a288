#include "mail/PasswordStore.h"

#include <cstdlib>
#include <dlfcn.h>
#include <libsecret/secret.h>
#include <map>
#include <sys/stat.h>
#include <type_traits>

#include "product/ProductName.h"

namespace {

// libsecret, and the GLib stack under it, loaded when a password is first
// wanted: most sends have no login, and every start of the mail program
// would otherwise pay for loading them.
struct TSecretLibrary {
    decltype(&secret_password_lookup_sync) Lookup = nullptr;
    decltype(&secret_password_store_sync) Store = nullptr;
    decltype(&secret_password_clear_sync) Clear = nullptr;
    decltype(&secret_password_free) Free = nullptr;
    decltype(&g_error_free) ErrorFree = nullptr;
    bool Loaded() const { return Lookup && Store && Clear && Free && ErrorFree; }
};

const TSecretLibrary& Secret() {
    static const TSecretLibrary library = [] {
        TSecretLibrary l;
        void* handle = ::dlopen("libsecret-1.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle) return l;
        auto get = [handle](auto& f, const char* name) {
            f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(::dlsym(handle, name));
        };
        get(l.Lookup, "secret_password_lookup_sync");
        get(l.Store, "secret_password_store_sync");
        get(l.Clear, "secret_password_clear_sync");
        get(l.Free, "secret_password_free");
        get(l.ErrorFree, "g_error_free");
        return l;
    }();
    return library;
}

const char* const NoLibraryText = "libsecret is not installed, so no Secret Service";

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
    if (error) Secret().ErrorFree(error);
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
    if (!SessionBusExists() || !Secret().Loaded()) {
        if (error) *error = SessionBusExists() ? NoLibraryText : NoBusText;
        return TSecretResult::NoService;
    }
    GError* failure = nullptr;
    gchar* found = Secret().Lookup(Schema(), nullptr, &failure, "server", server.c_str(), "user",
                                   user.c_str(), nullptr);
    if (failure) {
        const std::string text = TakeError(failure);
        if (error) *error = text;
        return TSecretResult::NoService;
    }
    if (!found) return TSecretResult::NotFound;
    password = found;
    Secret().Free(found);
    return TSecretResult::Found;
}

bool StoreMailPassword(const std::string& server, const std::string& user,
                       const std::string& password, std::string* error) {
    if (!SessionBusExists() || !Secret().Loaded()) {
        if (error) *error = SessionBusExists() ? NoLibraryText : NoBusText;
        return false;
    }
    GError* failure = nullptr;
    const std::string label = std::string(ProgramTitle) + " mail: " + user + " at " + server;
    const gboolean ok =
        Secret().Store(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                       nullptr, &failure, "server", server.c_str(), "user", user.c_str(), nullptr);
    if (failure || !ok) {
        const std::string text = TakeError(failure);
        if (error) *error = text;
        return false;
    }
    return true;
}

bool ForgetMailPassword(const std::string& server, const std::string& user) {
    if (!SessionBusExists() || !Secret().Loaded()) return false;
    GError* failure = nullptr;
    Secret().Clear(Schema(), nullptr, &failure, "server", server.c_str(), "user", user.c_str(),
                   nullptr);
    if (failure) {
        Secret().ErrorFree(failure);
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
