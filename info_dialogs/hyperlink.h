// CHyperLink: a static text control that paints itself as a link and opens an address when clicked.
#pragma once

#include "platform/afx.h"

class CHyperLink : public CStatic {
 public:
  CHyperLink();
  ~CHyperLink() override;

  // The address a click opens; any text, also an empty one. No repaint.
  void SetURL(CString url);

 protected:
  void PreSubclassWindow() override;

  void OnMouseMove(unsigned flags, CPoint point);
  void OnLButtonUp(unsigned flags, CPoint point);
  void OnPaint();
  std::intptr_t OnMouseHover(std::uintptr_t wParam, std::intptr_t lParam);
  std::intptr_t OnMouseLeave(std::uintptr_t wParam, std::intptr_t lParam);
  BOOL OnSetCursor(CWnd* pWnd, unsigned hitTest, unsigned message);

  DECLARE_DYNAMIC(CHyperLink)
  DECLARE_MESSAGE_MAP()

 private:
  COLORREF m_hoverColor;
  COLORREF m_normalColor;
  COLORREF m_backColor;
  BOOL m_hovering;
  CString m_url;
};
