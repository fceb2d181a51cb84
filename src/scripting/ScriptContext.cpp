#include "scripting/ScriptContext.h"

namespace orva {

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
