#include <strings.h>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "afx.h"
#include "resource.h"

namespace {

struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const { return a < b; }
};

std::map<std::string, CRuntimeClass*, NameLess>& ClassRegistry() {
    static std::map<std::string, CRuntimeClass*, NameLess> registry;
    return registry;
}

std::map<UINT, const DLGTEMPLATE_TABLE*>& DialogRegistry() {
    static std::map<UINT, const DLGTEMPLATE_TABLE*> registry;
    return registry;
}

std::map<UINT, const MENU_TABLE*>& MenuRegistry() {
    static std::map<UINT, const MENU_TABLE*> registry;
    return registry;
}

}  // namespace

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    long long product = static_cast<long long>(number) * numerator;
    // Rounds half away from zero, as the platform does.
    long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    long long q = ((product < 0) != (denominator < 0)) ? (product - half) / denominator
                                                       : (product + half) / denominator;
    if (q > INT32_MAX || q < INT32_MIN)
        return -1;
    return static_cast<int>(q);
}

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* runtimeClass) {
    ClassRegistry()[runtimeClass->m_lpszClassName] = runtimeClass;
}

CObject* CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
        if (c == base)
            return TRUE;
    }
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR className) {
    if (className == nullptr)
        return nullptr;
    auto it = ClassRegistry().find(className);
    return it != ClassRegistry().end() ? it->second : nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCSTR className) {
    CRuntimeClass* c = FromName(className);
    return c != nullptr ? c->CreateObject() : nullptr;
}

CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), nullptr, nullptr};
static const AFX_CLASSINIT _init_CObject(&CObject::classCObject);
CRuntimeClass* CObject::GetRuntimeClass() const {
    return &classCObject;
}

BOOL CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* /*pExtra*/, void* /*pHandlerInfo*/) {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
            if (e->nMessage == WM_COMMAND && e->nCode == static_cast<UINT>(nCode) &&
                nID >= e->nID && nID <= e->nLastID) {
                e->pfn(this, 0, 0);
                return TRUE;
            }
        }
    }
    return FALSE;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
            if (e->nMessage == message && message != WM_COMMAND)
                return e;
        }
    }
    return nullptr;
}

AFX_RESOURCE_REGISTRAR::AFX_RESOURCE_REGISTRAR(const DLGTEMPLATE_TABLE* dialog) {
    DialogRegistry()[dialog->id] = dialog;
}

AFX_RESOURCE_REGISTRAR::AFX_RESOURCE_REGISTRAR(const MENU_TABLE* menu) {
    MenuRegistry()[menu->id] = menu;
}

const DLGTEMPLATE_TABLE* AfxFindDialogTemplate(UINT id) {
    auto it = DialogRegistry().find(id);
    return it != DialogRegistry().end() ? it->second : nullptr;
}

const MENU_TABLE* AfxFindMenu(UINT id) {
    auto it = MenuRegistry().find(id);
    return it != MenuRegistry().end() ? it->second : nullptr;
}
