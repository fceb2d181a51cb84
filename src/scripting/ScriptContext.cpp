#include "scripting/ScriptContext.h"

#include <atomic>

namespace orva {

CScriptContext::CScriptContext()
    : id([] {
          static std::atomic<uint64_t> next{1};
          return next.fetch_add(1, std::memory_order_relaxed);
      }()) {}

void AttachContext(lua_State* L, CScriptContext* context) {
    *static_cast<CScriptContext**>(lua_getextraspace(L)) = context;
}

CScriptContext& GetContext(lua_State* L) {
    CScriptContext* context = *static_cast<CScriptContext**>(lua_getextraspace(L));
    if (context) return *context;
    thread_local CScriptContext bare;
    return bare;
}

}  // namespace orva
