#include "automation/Registration.h"

#include <KovrinAPI/runtime/Error.h>

#include "automation/Description.h"
#include "platform/registry/RegistryStore.h"

namespace kovrin::automation {
namespace {

void write(const std::string& key, const std::string& text) {
    int32_t status = registry::setKeyValue(registry::ClassesRoot, key, "", registry::Value::text(text));
    if (status) raiseError(status, "Cannot write HKEY_CLASSES_ROOT\\" + key + " (status " + std::to_string(status) + ")");
}

void remove(const std::string& key) {
    int32_t status = registry::deleteKey(registry::ClassesRoot, key);
    if (status && status != registry::status::NotFound)
        raiseError(status, "Cannot delete HKEY_CLASSES_ROOT\\" + key + " (status " + std::to_string(status) + ")");
}

std::string typeLibKey(const Library& lib) { return "TypeLib\\" + lib.libid; }

}  // namespace

void registerServer(const std::string& library, const std::string& typelib) {
    const Library& lib = typeLibrary();
    for (const Class& c : lib.classes) {
        write(c.progid, c.name);
        write(c.progid + "\\CLSID", c.clsid);
        std::string key = "CLSID\\" + c.clsid;
        write(key, c.name);
        write(key + "\\InprocServer32", library);
        write(key + "\\ProgID", c.progid);
        write(key + "\\TypeLib", lib.libid);
        write(key + "\\VERSION", lib.version);
    }
    write(typeLibKey(lib) + "\\" + lib.version, lib.name);
    write(typeLibKey(lib) + "\\" + lib.version + "\\0\\linux", typelib);
}

void unregisterServer() {
    const Library& lib = typeLibrary();
    for (const Class& c : lib.classes) {
        remove(c.progid);
        remove("CLSID\\" + c.clsid);
    }
    remove(typeLibKey(lib));
}

}  // namespace kovrin::automation
