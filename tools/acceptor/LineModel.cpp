// The receiver's framing, as the acceptor predicts it.
#include "tools/acceptor/LineModel.h"

bool CLineModel::Feed(std::uint8_t b)
{
    if (m_open.empty())
    {
        m_need = FrameLengthOf(b);
        if (m_need != 0)
            m_open.push_back(b); // anything else between frames is ignored
        return false;
    }
    m_open.push_back(b);
    if (m_open.size() < m_need)
        return false;
    m_completed.swap(m_open);
    m_open.clear();
    return true;
}
