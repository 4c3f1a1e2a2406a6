// Import-table patching for the Windows tests.
#include "windows/import_spy.h"

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

void** FindImportSlot(const char* dll, const char* function) {
  auto* base = reinterpret_cast<uint8_t*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; module->Name != 0; ++module) {
    if (_stricmp(reinterpret_cast<const char*>(base + module->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
        return reinterpret_cast<void**>(&slots->u1.Function);
      }
    }
  }
  throw std::runtime_error(std::string("not imported: ") + dll + "!" + function);
}

void WriteSlot(void** slot, void* value) {
  DWORD oldProtection = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtection);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, oldProtection, &oldProtection);
}

}  // namespace

ImportSpy::ImportSpy(const char* dll, const char* function, void* replacement)
    : slot_(FindImportSlot(dll, function)), original_(*slot_) {
  WriteSlot(slot_, replacement);
}

ImportSpy::~ImportSpy() {
  WriteSlot(slot_, original_);
}
