#include "runtime/codec/crypto-library.h"

#include <dlfcn.h>
#include <openssl/opensslv.h>

#include "platform/posix/shared-library.h"

namespace zel::crypto {
namespace {

using platform::find_entry;

#define ZEL_CRYPTO_TEXT(x) #x
#define ZEL_CRYPTO_SONAME(major) "libcrypto.so." ZEL_CRYPTO_TEXT(major)
// The ABI of the headers the entries were declared from.
constexpr const char* system_soname = ZEL_CRYPTO_SONAME(OPENSSL_VERSION_MAJOR);
#undef ZEL_CRYPTO_SONAME
#undef ZEL_CRYPTO_TEXT

}  // namespace

std::optional<Library> open(const char* soname) {
    void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return std::nullopt;
    Library l{};
    const bool complete = find_entry(handle, "EVP_md5", l.md5) && find_entry(handle, "EVP_sha1", l.sha1) &&
                          find_entry(handle, "EVP_sha256", l.sha256) && find_entry(handle, "EVP_sha384", l.sha384) &&
                          find_entry(handle, "EVP_sha512", l.sha512) && find_entry(handle, "EVP_MD_CTX_new", l.ctx_new) &&
                          find_entry(handle, "EVP_MD_CTX_free", l.ctx_free) &&
                          find_entry(handle, "EVP_DigestInit_ex", l.digest_init) &&
                          find_entry(handle, "EVP_DigestUpdate", l.digest_update) &&
                          find_entry(handle, "EVP_DigestFinal_ex", l.digest_final);
    if (!complete) {
        dlclose(handle);
        return std::nullopt;
    }
    return l;
}

const Library* library() {
    static const std::optional<Library> system = open(system_soname);
    return system ? &*system : nullptr;
}

}  // namespace zel::crypto
