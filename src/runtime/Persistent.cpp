#include "runtime/Persistent.h"

#include "runtime/Exceptions.h"

void TPersistent::Assign(TPersistent* source)
{
    if (source) {
        TPersistentAccess::AssignInto(source, this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignInto(TPersistent* destination) { destination->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const
{
    throw EConvertError(Exception::ResText(TextId::CannotAssign, source ? source->ClassName() : "nil", ClassName()));
}
