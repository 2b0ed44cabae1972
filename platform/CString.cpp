#include "CString.h"

#include <algorithm>
#include <cstring>

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
    return plat::MbFind(plat::GetACP(), GetData(), m_nLength, static_cast<size_t>(nStart), ch);
}

int CString::ReverseFind(char ch) const
{
    return plat::MbReverseFind(plat::GetACP(), GetData(), m_nLength, ch);
}

CString CString::Left(int nCount) const
{
    return CString(GetData(), ClampIndex(nCount, GetLength()));
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

BOOL CString::LoadString(UINT nID)
{
    const std::string_view text = plat::FindString(nID);
    *this = text;
    return text.empty() ? FALSE : TRUE;
}

void CString::Allocate(size_t nCapacity)
{
    m_pData = plat::NewStorage(nCapacity + 1 + kPadding);
    m_nCapacity = nCapacity;
    SetLength(0);
}

void CString::Reserve(size_t n)
{
    if (n <= m_nCapacity)
        return;
    // Geometric growth: a text built by many appends is copied a bounded number of times.
    CString grown(kNoStorage);
    grown.Allocate(std::max(n, 2 * m_nCapacity));
    std::memcpy(grown.m_pData, m_pData, m_nLength + 1);
    grown.m_nLength = m_nLength;
    Swap(grown);
}

void CString::Replace(const char* p, size_t n)
{
    CString fresh(kNoStorage);
    fresh.Allocate(n);
    std::memcpy(fresh.m_pData, p, n);
    fresh.SetLength(n);
    Swap(fresh);
}

void CString::GrowToAppend(const char* p, size_t n)
{
    // p may lie in the storage about to be replaced: the new text is put together first.
    CString grown(kNoStorage);
    grown.Allocate(std::max(m_nLength + n, 2 * m_nCapacity));
    std::memcpy(grown.m_pData, m_pData, m_nLength);
    std::memcpy(grown.m_pData + m_nLength, p, n);
    grown.SetLength(m_nLength + n);
    Swap(grown);
}
