#pragma once
// Attribute look-up and editing over the header's attribute objects, presented for
// stream 0 as one list: Content Description, then Extended Content Description, then
// the stream-0 records of the Metadata and Metadata Library objects. Names compare
// without regard to case.
#include "media/wma/AsfHeader.h"

#include <QStringView>
#include <vector>

namespace quillory::asf {

enum class Place { ContentDescription, ExtendedContent, Metadata, MetadataLibrary };

struct AttributeRef {
    Object* object = nullptr;
    std::size_t index = 0;
    Place place = Place::ExtendedContent;
    Attribute& get() const { return object->attributes[index]; }
};

// Every stream-0 attribute of that name, in presentation order.
std::vector<AttributeRef> FindAttributes(Header& header, QStringView name);
const Attribute* FindFirstAttribute(const Header& header, QStringView name);

// Whether a value of this type and size may be stored in that place.
bool FitsIn(Place place, QStringView name, StoredType type, std::size_t valueBytes);

// Gives the attribute this one value: the first of the name keeps its place when
// the value fits there, any further ones of the name on stream 0 are removed. A new
// attribute goes to Content Description (its five names), else to Extended Content
// Description, else (too large for a 16-bit length) to the Metadata Library. A BOOL
// value is given as 4 bytes and narrowed where the place stores 2. False when no
// place can hold it (the header is then unchanged).
bool SetAttribute(Header& header, const QString& name, StoredType type, Bytes value);

// Removes the first attribute of the name; false when there is none.
bool DeleteFirstAttribute(Header& header, QStringView name);

} // namespace quillory::asf
