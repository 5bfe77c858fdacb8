// Root of the class tree: objects that know their class name, and persistent
// objects that can be assigned one from another.
#pragma once

#include "runtime/AnsiString.h"

class TObject {
public:
    virtual ~TObject() = default;
    virtual const char* ClassName() const { return "TObject"; }
};

// Declares the class-name override in a class body.
#define SV_CLASS_NAME(Name)                                                                                            \
    const char* ClassName() const override { return #Name; }

class TPersistent : public TObject {
public:
    SV_CLASS_NAME(TPersistent)

    // Copies from the source. When this object does not know the source, the
    // source's AssignInto(this) is tried; when neither knows the other, EConvertError.
    virtual void Assign(TPersistent* source);

protected:
    // Copies this object into the destination; the default knows no destination.
    virtual void AssignInto(TPersistent* destination);
    // Raises EConvertError "%s を %s に代入することはできません".
    [[noreturn]] void AssignError(const TPersistent* source) const;

    friend class TPersistentAccess;
};

// Lets a class call AssignInto on an object of another class.
class TPersistentAccess {
public:
    static void AssignInto(TPersistent* source, TPersistent* destination) { source->AssignInto(destination); }
};
