// The registration of the library's classes in the registry store, under HKEY_CLASSES_ROOT with
// the keys of the desktop platform:
//   <ProgID>\CLSID                         = {class id}
//   CLSID\{class id}\InprocServer32        = full path of the library file
//   CLSID\{class id}\ProgID                = <ProgID>
//   CLSID\{class id}\TypeLib               = {library id}
//   TypeLib\{library id}\3.2\0\linux       = full path of the type library text
#pragma once

#include <string>

namespace kovrin::automation {

// Writes every class's keys; a key that cannot be written fails with the store's status as the
// error number.
void registerServer(const std::string& library, const std::string& typelib);
// Removes them; keys already gone are fine.
void unregisterServer();

}  // namespace kovrin::automation
