#include "media/wma/AsfAttributes.h"

#include <algorithm>

namespace quillory::asf {

namespace {

constexpr std::size_t kMax16 = 0xFFFF;
constexpr std::size_t kMax32 = 0xFFFFFFFFu;

bool sameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

int contentDescriptionSlot(QStringView name)
{
    for (int i = 0; i < 5; ++i)
        if (sameName(name, QStringView(kContentDescriptionNames[i])))
            return i;
    return -1;
}

std::size_t nameBytes(QStringView name) { return std::size_t(name.size()) * 2 + 2; }

Place placeOf(ObjectKind k)
{
    switch (k) {
    case ObjectKind::ContentDescription:
        return Place::ContentDescription;
    case ObjectKind::Metadata:
        return Place::Metadata;
    case ObjectKind::MetadataLibrary:
        return Place::MetadataLibrary;
    default:
        return Place::ExtendedContent;
    }
}

template <typename Fn>
void forEachAttributeObject(Header& header, Fn&& fn)
{
    // Presentation order: by kind first, then in file order.
    for (ObjectKind kind : {ObjectKind::ContentDescription, ObjectKind::ExtendedContentDescription,
                            ObjectKind::Metadata, ObjectKind::MetadataLibrary}) {
        for (Object& o : header.objects) {
            if (o.kind == kind)
                fn(o);
            if (o.kind == ObjectKind::HeaderExtension)
                for (Object& c : o.children)
                    if (c.kind == kind)
                        fn(c);
        }
    }
}

Object& objectFor(Header& header, Place place)
{
    ObjectKind want = place == Place::ContentDescription ? ObjectKind::ContentDescription
                                                         : ObjectKind::ExtendedContentDescription;
    if (place == Place::MetadataLibrary || place == Place::Metadata) {
        want = place == Place::Metadata ? ObjectKind::Metadata : ObjectKind::MetadataLibrary;
        Object* ext = nullptr;
        for (Object& o : header.objects)
            if (o.kind == ObjectKind::HeaderExtension) {
                ext = &o;
                break;
            }
        if (!ext) {
            Object made;
            made.guid = guids::kHeaderExtension;
            made.kind = ObjectKind::HeaderExtension;
            made.changed = true;
            header.objects.push_back(std::move(made));
            ext = &header.objects.back();
        }
        for (Object& c : ext->children)
            if (c.kind == want)
                return c;
        Object made;
        made.guid = want == ObjectKind::Metadata ? guids::kMetadata : guids::kMetadataLibrary;
        made.kind = want;
        made.changed = true;
        ext->changed = true;
        ext->children.push_back(std::move(made));
        return ext->children.back();
    }
    for (Object& o : header.objects)
        if (o.kind == want)
            return o;
    Object made;
    made.guid = want == ObjectKind::ContentDescription ? guids::kContentDescription
                                                       : guids::kExtendedContentDescription;
    made.kind = want;
    made.changed = true;
    header.objects.push_back(std::move(made));
    return header.objects.back();
}

Bytes valueFor(Place place, StoredType type, Bytes value)
{
    if (type == StoredType::Bool) {
        std::size_t width = place == Place::ExtendedContent ? 4 : 2;
        bool on = std::any_of(value.begin(), value.end(), [](std::uint8_t b) { return b != 0; });
        value.assign(width, 0);
        value[0] = on ? 1 : 0;
    }
    return value;
}

} // namespace

std::vector<AttributeRef> FindAttributes(Header& header, QStringView name)
{
    std::vector<AttributeRef> refs;
    forEachAttributeObject(header, [&](Object& o) {
        Place place = placeOf(o.kind);
        for (std::size_t i = 0; i < o.attributes.size(); ++i) {
            const Attribute& a = o.attributes[i];
            if (a.stream == 0 && sameName(a.name, name))
                refs.push_back({&o, i, place});
        }
    });
    return refs;
}

const Attribute* FindFirstAttribute(const Header& header, QStringView name)
{
    auto refs = FindAttributes(const_cast<Header&>(header), name);
    return refs.empty() ? nullptr : &refs.front().get();
}

bool FitsIn(Place place, QStringView name, StoredType type, std::size_t valueBytes)
{
    switch (place) {
    case Place::ContentDescription:
        return contentDescriptionSlot(name) >= 0 && type == StoredType::String && valueBytes <= kMax16;
    case Place::ExtendedContent:
    case Place::Metadata:
        return type != StoredType::Guid && valueBytes <= kMax16 && nameBytes(name) <= kMax16;
    case Place::MetadataLibrary:
        return valueBytes <= kMax32 && nameBytes(name) <= kMax16;
    }
    return false;
}

bool SetAttribute(Header& header, const QString& name, StoredType type, Bytes value)
{
    std::vector<AttributeRef> refs = FindAttributes(header, name);
    std::size_t firstKept = SIZE_MAX;
    if (!refs.empty() && FitsIn(refs.front().place, name, type, value.size()))
        firstKept = 0;

    Place newPlace = Place::MetadataLibrary;
    if (firstKept == SIZE_MAX) {
        if (FitsIn(Place::ContentDescription, name, type, value.size()))
            newPlace = Place::ContentDescription;
        else if (FitsIn(Place::ExtendedContent, name, type, value.size()))
            newPlace = Place::ExtendedContent;
        else if (!FitsIn(Place::MetadataLibrary, name, type, value.size()))
            return false;
    }

    if (firstKept == 0) {
        AttributeRef first = refs.front();
        Attribute& a = first.get();
        a.type = type;
        a.value = valueFor(first.place, type, std::move(value));
        a.raw.clear();
        first.object->changed = true;
    }
    // Drop the others of the name (and the first when it could not stay), from the
    // back of each object so that the remaining indices hold.
    for (std::size_t i = refs.size(); i-- > 0;) {
        if (i == firstKept)
            continue;
        AttributeRef r = refs[i];
        r.object->attributes.erase(r.object->attributes.begin() + std::ptrdiff_t(r.index));
        r.object->changed = true;
    }
    if (firstKept == 0)
        return true;

    Object& target = objectFor(header, newPlace);
    Attribute a;
    int slot = contentDescriptionSlot(name);
    a.name = newPlace == Place::ContentDescription ? QString::fromUtf16(kContentDescriptionNames[slot]) : name;
    a.type = type;
    a.value = valueFor(newPlace, type, std::move(value));
    target.attributes.push_back(std::move(a));
    target.changed = true;
    return true;
}

bool DeleteFirstAttribute(Header& header, QStringView name)
{
    std::vector<AttributeRef> refs = FindAttributes(header, name);
    if (refs.empty())
        return false;
    AttributeRef r = refs.front();
    r.object->attributes.erase(r.object->attributes.begin() + std::ptrdiff_t(r.index));
    r.object->changed = true;
    return true;
}

} // namespace quillory::asf
