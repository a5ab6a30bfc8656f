#pragma once
// The component model: TObject, TPersistent (Assign/AssignTo), TComponent (owner and
// owned components), shift states, notify events and string lists.
//
// Conventions of the whole library:
// - Properties are methods: read with X(), write with SetX(v) (virtual where the
//   library lets subclasses react). Events are public fields of a TEvent type
//   (forms/Events.h), assigned with MakeEvent(object, &Class::Method) or nullptr.
// - Objects are made with new and freed with delete (or by their owner); they are not
//   copied. Copy contents with Assign.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "forms/Events.h"
#include "forms/SysUtils.h"
#include "forms/Types.h"

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    // The class name without namespaces ("TBitmap", "GsTextMargins").
    String ClassName() const;
    bool ClassNameIs(const String& name) const { return SameText(ClassName(), name); }
};

using TNotifyEvent = TEvent<TObject*>;

class TPersistent : public TObject {
public:
    // Copies Source into this object. The default asks the source: Source->AssignTo(this);
    // a null source raises the assignment error.
    virtual void Assign(TPersistent* Source);
    // Copies this object into Dest. The default raises EConvertError
    // "Cannot assign a <this class> to a <Dest class>".
    virtual void AssignTo(TPersistent* Dest);

protected:
    [[noreturn]] void AssignError(TPersistent* Source);
};

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

// A component belongs to its owner, which frees it. Derived classes whose owned
// components still need the derived part while they are freed call DestroyComponents()
// at the start of their own destructor (C++ tears the derived part down first).
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return m_owner; }
    int ComponentCount() const { return static_cast<int>(m_components.size()); }
    TComponent* Components(int index) const;
    // Index in the owner's list; -1 without an owner.
    int ComponentIndex() const;
    TComponent* FindComponent(const String& name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Frees every owned component, the last one first; each holds csDestroying from the
    // start of its destructor on.
    void DestroyComponents();

    const String& Name() const { return m_name; }
    virtual void SetName(const String& name) { m_name = name; }
    intptr_t Tag() const { return m_tag; }
    void SetTag(intptr_t tag) { m_tag = tag; }

    TComponentState ComponentState() const { return m_state; }
    // Marks the component (and what it owns) as being read from a stored layout
    // (csLoading, csReading) until EndLoading, which calls Loaded on each.
    void BeginLoading();
    void EndLoading();
    void SetDesigning(bool designing);

    // Asks for a Notification(this, opRemove) to component when this one is freed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

protected:
    virtual void Loaded();
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);

    TComponent* m_owner = nullptr;
    std::vector<TComponent*> m_components;
    std::vector<TComponent*> m_freeNotifies;
    String m_name;
    intptr_t m_tag = 0;
    TComponentState m_state;
};

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// A list of strings, each with an optional object pointer (not owned).
class TStrings : public TPersistent {
public:
    virtual int Count() const = 0;
    virtual String Get(int index) const = 0;
    virtual void Put(int index, const String& text);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* object);
    virtual void Insert(int index, const String& text) = 0;
    virtual void InsertObject(int index, const String& text, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    String operator[](int index) const { return Get(index); }
    String Strings(int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }
    int Add(const String& text);
    int AddObject(const String& text, TObject* object);
    void AddStrings(TStrings* strings);
    // First index whose text equals the given one (ignoring ASCII case); -1 when none.
    virtual int IndexOf(const String& text) const;
    int IndexOfObject(TObject* object) const;
    // Every line followed by CR LF.
    String Text() const;
    // Replaces the lines with text split at CR LF, LF or CR.
    void SetText(const String& text);
    // Reads a text file: a byte-order mark selects UTF-8, UTF-16LE or UTF-16BE; without
    // one the file is in the ANSI code page. EFOpenError when it cannot be opened.
    void LoadFromFile(const String& fileName);
    // Writes Text() in the ANSI code page, or as UTF-8 with its mark when asked.
    void SaveToFile(const String& fileName, bool utf8 = false) const;
    void Assign(TPersistent* Source) override;
    // Holds change notices back; the last EndUpdate sends one.
    void BeginUpdate();
    void EndUpdate();

protected:
    [[noreturn]] void Error(const wchar_t* message, int index) const;
    // Called when the first BeginUpdate starts and the last EndUpdate ends an update.
    virtual void SetUpdateState(bool updating);
    int m_updateCount = 0;
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    int Count() const override { return static_cast<int>(m_items.size()); }
    String Get(int index) const override;
    void Put(int index, const String& text) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    void Insert(int index, const String& text) override;
    void InsertObject(int index, const String& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;

    TNotifyEvent OnChange;

protected:
    void SetUpdateState(bool updating) override;

private:
    void Changed();
    struct Item {
        String text;
        TObject* object;
    };
    std::vector<Item> m_items;
};

// Splits decoded text into lines at CR LF, LF or CR (no empty line after a final break).
std::vector<String> SplitLines(const String& text);
// Decodes file bytes: BOM-marked UTF-8 / UTF-16LE / UTF-16BE, else the ANSI code page.
String DecodeText(const std::vector<unsigned char>& bytes);
