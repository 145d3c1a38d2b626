// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/DtmfSession.h"

namespace tonvar::signalling {

void DtmfSession::Decode(int block, const memory::Payload &payload)
{
    DecodeDtmfBlock(block, payload, texts, digitCounts);
}

void DtmfSession::Encode(int block, memory::Payload &payload) const
{
    EncodeDtmfBlock(block, texts, payload);
}

void DtmfSession::AutodialEdited(int row)
{
    if (row < 1 || row > kAutodialMemories)
        return;
    std::string &cell = texts.autodial[static_cast<std::size_t>(row - 1)];
    if (cell.size() > 8)
        cell.resize(8);
}

} // namespace tonvar::signalling
