// Uses the installed libraries the way another project would.
#include "core/core.h"

int main() {
    core::Ref<core::TList> list = core::CreateList();
    list->AddLast(core::MakeString("installed"));
    return list->Count() == 1 ? 0 : 1;
}
