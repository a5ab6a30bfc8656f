#include "forms/Classes.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>

String TObject::ClassName() const
{
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = (status == 0 && demangled) ? demangled : mangled;
    std::free(demangled);
    size_t p = name.rfind("::");
    if (p != std::string::npos)
        name = name.substr(p + 2);
    return String(AnsiString(name));
}

void TPersistent::Assign(TPersistent* Source)
{
    if (Source)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest)
{
    if (!Dest)
        throw EConvertError(L"Cannot assign a " + ClassName() + L" to a nil");
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* Source)
{
    String sourceName = Source ? Source->ClassName() : String(L"nil");
    throw EConvertError(L"Cannot assign a " + sourceName + L" to a " + ClassName());
}

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    m_state << csDestroying;
    // Those who asked to hear of our end; each forgets us in turn.
    std::vector<TComponent*> listeners;
    listeners.swap(m_freeNotifies);
    for (TComponent* c : listeners) {
        auto& back = c->m_freeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (m_owner)
        m_owner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
    return m_components[index];
}

int TComponent::ComponentIndex() const
{
    if (!m_owner)
        return -1;
    auto& list = m_owner->m_components;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const String& name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* c : m_components)
        if (SameText(c->Name(), name))
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component)
        return;
    if (component->m_owner)
        component->m_owner->RemoveComponent(component);
    Insert(component);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->m_owner != this)
        return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component)
{
    m_components.push_back(component);
    component->m_owner = this;
}

void TComponent::Remove(TComponent* component)
{
    m_components.erase(std::remove(m_components.begin(), m_components.end(), component), m_components.end());
    component->m_owner = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!m_components.empty()) {
        TComponent* c = m_components.back();
        Remove(c);
        // Marked before its destructor runs, so even the derived part sees it going.
        c->m_state << csDestroying;
        delete c;
    }
}

void TComponent::BeginLoading()
{
    m_state << csLoading << csReading;
    for (TComponent* c : m_components)
        c->BeginLoading();
}

void TComponent::EndLoading()
{
    m_state >> csLoading >> csReading;
    for (size_t i = 0; i < m_components.size(); ++i)
        m_components[i]->EndLoading();
    Loaded();
}

void TComponent::SetDesigning(bool designing)
{
    if (designing)
        m_state << csDesigning;
    else
        m_state >> csDesigning;
    for (TComponent* c : m_components)
        c->SetDesigning(designing);
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(m_freeNotifies.begin(), m_freeNotifies.end(), component) == m_freeNotifies.end()) {
        m_freeNotifies.push_back(component);
        component->m_freeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component)
        return;
    m_freeNotifies.erase(std::remove(m_freeNotifies.begin(), m_freeNotifies.end(), component),
                         m_freeNotifies.end());
    auto& back = component->m_freeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::Loaded() {}

void TComponent::Notification(TComponent*, TOperation) {}

// ---- TStrings --------------------------------------------------------------------

void TStrings::Error(const wchar_t* message, int index) const
{
    throw EStringListError(String(message) + L" (" + IntToStr(index) + L")");
}

void TStrings::Put(int index, const String& text)
{
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, text, object);
}

void TStrings::BeginUpdate()
{
    if (m_updateCount++ == 0)
        SetUpdateState(true);
}

void TStrings::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

void TStrings::InsertObject(int index, const String& text, TObject* object)
{
    Insert(index, text);
    PutObject(index, object);
}

int TStrings::Add(const String& text)
{
    int index = Count();
    Insert(index, text);
    return index;
}

int TStrings::AddObject(const String& text, TObject* object)
{
    int index = Count();
    InsertObject(index, text, object);
    return index;
}

void TStrings::AddStrings(TStrings* strings)
{
    if (!strings)
        return;
    for (int i = 0; i < strings->Count(); ++i)
        AddObject(strings->Get(i), strings->GetObject(i));
}

int TStrings::IndexOf(const String& text) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), text))
            return i;
    return -1;
}

int TStrings::IndexOfObject(TObject* object) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == object)
            return i;
    return -1;
}

String TStrings::Text() const
{
    String out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += L"\r\n";
    }
    return out;
}

void TStrings::SetText(const String& text)
{
    BeginUpdate();
    Clear();
    for (const String& line : SplitLines(text))
        Add(line);
    EndUpdate();
}

void TStrings::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TStrings*>(Source)) {
        if (source == this)
            return;
        BeginUpdate();
        Clear();
        AddStrings(source);
        EndUpdate();
        return;
    }
    TPersistent::Assign(Source);
}

void TStrings::LoadFromFile(const String& fileName)
{
    HANDLE file = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        throw EFOpenError(L"Cannot open file \"" + fileName + L"\". " + SysErrorMessage(code));
    }
    std::vector<unsigned char> bytes;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0 && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD done = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
              done == bytes.size());
    }
    DWORD code = GetLastError();
    CloseHandle(file);
    if (!ok)
        throw EReadError(L"Cannot read file \"" + fileName + L"\". " + SysErrorMessage(code));
    SetText(DecodeText(bytes));
}

void TStrings::SaveToFile(const String& fileName, bool utf8) const
{
    std::string bytes;
    String text = Text();
    if (utf8) {
        bytes = "\xEF\xBB\xBF";
        int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), text.Length(), nullptr, 0, nullptr, nullptr);
        std::string body(n > 0 ? n : 0, '\0');
        if (n > 0)
            WideCharToMultiByte(CP_UTF8, 0, text.data(), text.Length(), &body[0], n, nullptr, nullptr);
        bytes += body;
    } else {
        bytes = AnsiString(text);
    }
    WriteFileBytes(fileName, bytes.data(), bytes.size());
}

// ---- TStringList -----------------------------------------------------------------

String TStringList::Get(int index) const
{
    if (index < 0 || index >= Count())
        Error(L"List index out of bounds", index);
    return m_items[index].text;
}

void TStringList::Put(int index, const String& text)
{
    if (index < 0 || index >= Count())
        Error(L"List index out of bounds", index);
    m_items[index].text = text;
    Changed();
}

TObject* TStringList::GetObject(int index) const
{
    if (index < 0 || index >= Count())
        Error(L"List index out of bounds", index);
    return m_items[index].object;
}

void TStringList::PutObject(int index, TObject* object)
{
    if (index < 0 || index >= Count())
        Error(L"List index out of bounds", index);
    m_items[index].object = object;
}

void TStringList::Insert(int index, const String& text) { InsertObject(index, text, nullptr); }

void TStringList::InsertObject(int index, const String& text, TObject* object)
{
    if (index < 0 || index > Count())
        Error(L"List index out of bounds", index);
    m_items.insert(m_items.begin() + index, Item{text, object});
    Changed();
}

void TStringList::Delete(int index)
{
    if (index < 0 || index >= Count())
        Error(L"List index out of bounds", index);
    m_items.erase(m_items.begin() + index);
    Changed();
}

void TStringList::Clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    Changed();
}

void TStringList::SetUpdateState(bool updating)
{
    if (!updating)
        Changed();
}

void TStringList::Changed()
{
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
}

// ---- text decoding -------------------------------------------------------------

std::vector<String> SplitLines(const String& text)
{
    std::vector<String> lines;
    size_t start = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = text[i];
        if (c != L'\r' && c != L'\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == L'\r' && i + 1 < n && text[i + 1] == L'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.emplace_back(text.substr(start));
    return lines;
}

namespace {

String DecodeCodePage(UINT codePage, const unsigned char* data, size_t size)
{
    if (size == 0)
        return String();
    int n = MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(data), static_cast<int>(size),
                                nullptr, 0);
    if (n <= 0)
        return String();
    String out;
    out.resize(n);
    MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(data), static_cast<int>(size), &out[0], n);
    return out;
}

String DecodeUtf16(const unsigned char* data, size_t size, bool bigEndian)
{
    String out;
    out.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
        unsigned lo = bigEndian ? data[i + 1] : data[i];
        unsigned hi = bigEndian ? data[i] : data[i + 1];
        out += static_cast<wchar_t>(lo | (hi << 8));
    }
    return out;
}

} // namespace

String DecodeText(const std::vector<unsigned char>& bytes)
{
    const unsigned char* d = bytes.data();
    const size_t n = bytes.size();
    if (n >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF)
        return DecodeCodePage(CP_UTF8, d + 3, n - 3);
    if (n >= 2 && d[0] == 0xFF && d[1] == 0xFE)
        return DecodeUtf16(d + 2, n - 2, false);
    if (n >= 2 && d[0] == 0xFE && d[1] == 0xFF)
        return DecodeUtf16(d + 2, n - 2, true);
    return DecodeCodePage(CP_ACP, d, n);
}
