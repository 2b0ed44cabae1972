#include "CString.h"

#include <algorithm>

#include "CodePage.h"
#include "StringTable.h"

namespace
{
int ClampIndex(int n, int nLength)
{
    return std::clamp(n, 0, nLength);
}
} // namespace

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0)
        nStart = 0;
    if (nStart >= GetLength())
        return -1;
    return plat::MbFind(plat::GetACP(), m_s.data(), m_s.size(), static_cast<size_t>(nStart), ch);
}

int CString::ReverseFind(char ch) const
{
    return plat::MbReverseFind(plat::GetACP(), m_s.data(), m_s.size(), ch);
}

CString CString::Left(int nCount) const
{
    return CString(m_s.data(), ClampIndex(nCount, GetLength()));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    CString result;
    result.AssignMid(*this, nFirst, nCount);
    return result;
}

void CString::AssignMid(const CString& src, int nFirst, int nCount)
{
    const int nLength = src.GetLength();
    nFirst = ClampIndex(nFirst, nLength);
    nCount = ClampIndex(nCount, nLength - nFirst);
    if (&src == this)
    {
        m_s = m_s.substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount));
        return;
    }
    Assign(src.m_s.data() + nFirst, nCount);
}

BOOL CString::LoadString(UINT nID)
{
    const std::string_view text = plat::FindString(nID);
    m_s.assign(text);
    return text.empty() ? FALSE : TRUE;
}
