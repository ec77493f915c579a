#include "display/rows.h"

CGraphList* pGraphList = nullptr;

void CreateGraphList() {
    delete pGraphList;
    pGraphList = new CGraphList();
}

COneGraph* GetGraph(int i) {
    if (pGraphList == nullptr || i < 0 || size_t(i) >= pGraphList->size())
        return nullptr;
    return (*pGraphList)[size_t(i)].get();
}
