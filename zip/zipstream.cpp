#include "zip/zipstream.h"

#include "zip/zipcomponent.h"

namespace {

void SetUp(TSuperZip& zip, const std::string& password) {
    zip.DoProcessMessages = false;
    if (!password.empty())
        zip.Password = password;
}

// Replaces stream's content by what convert writes from it, positioned at 0.
void Replace(TStream& stream, const std::string& password,
             void (*convert)(TStream&, TStream&, const std::string&)) {
    TMemoryStream temp;
    stream.SetPosition(0);
    convert(stream, temp, password);
    stream.SetSize(0);
    stream.SetPosition(0);
    temp.SetPosition(0);
    stream.CopyFrom(temp, temp.Size());
    stream.SetPosition(0);
}

} // namespace

void CompressStreamTo(TStream& source, TStream& dest, const std::string& password) {
    TSuperZip zip;
    SetUp(zip, password);
    zip.CompressToStream(source, dest);
}

void DecompressStreamTo(TStream& source, TStream& dest, const std::string& password) {
    if (source.Size() == 0)
        return;
    TSuperZip zip;
    SetUp(zip, password);
    zip.ExtractToStream(source, dest);
}

void CompressStream(TStream& stream, const std::string& password) {
    Replace(stream, password, CompressStreamTo);
}

void DecompressStream(TStream& stream, const std::string& password) {
    Replace(stream, password, DecompressStreamTo);
}
