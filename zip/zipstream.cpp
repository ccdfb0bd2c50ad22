#include "zip/zipstream.h"

#include "zip/zipcomponent.h"

void CompressStreamTo(TStream& source, TStream& dest, const std::string& password) {
    TSuperZip zip;
    zip.DoProcessMessages = false;
    if (!password.empty())
        zip.Password = password;
    zip.CompressToStream(source, dest);
}

void DecompressStreamTo(TStream& source, TStream& dest, const std::string& password) {
    if (source.Size() == 0)
        return;
    TSuperZip zip;
    zip.DoProcessMessages = false;
    if (!password.empty())
        zip.Password = password;
    zip.ExtractToStream(source, dest);
}

void CompressStream(TStream& stream, const std::string& password) {
    TMemoryStream temp;
    stream.SetPosition(0);
    CompressStreamTo(stream, temp, password);
    stream.SetSize(0);
    stream.SetPosition(0);
    temp.SetPosition(0);
    stream.CopyFrom(temp, temp.Size());
    stream.SetPosition(0);
}

void DecompressStream(TStream& stream, const std::string& password) {
    TMemoryStream temp;
    stream.SetPosition(0);
    DecompressStreamTo(stream, temp, password);
    stream.SetSize(0);
    stream.SetPosition(0);
    temp.SetPosition(0);
    stream.CopyFrom(temp, temp.Size());
    stream.SetPosition(0);
}
