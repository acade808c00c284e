-- Purchase orders in a layout stored by an editor of form-version level 7: label
-- heights of 0, a zoom index of 1, a table field without control and new pages
-- that the current level keeps apart for the two occurrence views.

INSERT INTO qxzrn300 (clan, cpac, cmod, cfrm, vers, rele, cust, lanl, desc, ftyp) VALUES
    ('2', 'te', 'kwy', 'olditemd', '7.6', 'a3', 'dev', '', 'Purchase orders (older layout)', 1);

-- Groups: grpi, repe, levl, labl, fram, inso, inmo, pare, prev, next, chld, fld1, algr, virt, wdth, za_revi, za_cbox, za_newp, za_besi, za_misc, zb_tabp, zb_selg.
INSERT INTO qxzrn315 (clan, cpac, vers, rele, cust, cmod, cfrm, grpi, repe, levl, labl, fram, inso, inmo, pare, prev, next, chld, fld1, algr, virt, wdth, za_revi, za_cbox, za_newp, za_besi, za_misc, zb_tabp, zb_selg)
SELECT '2', 'te', '7.6', 'a3', 'dev', 'kwy', 'olditemd', * FROM (VALUES
    -- the form
    (1, 2, 0, '', 2, 1, 1, 0, 0, 0, 2, 0, 1, 1, 1, 7, 2, 2, 2, 0, '', 2),
    -- tekwy100.lines
    (2, 1, 1, 'tekwy100.lines', 2, 1, 1, 1, 0, 3, 0, 10, -2, 2, 1, 7, 2, 2, 2, 0, '', 2),
    -- tekwy100.details
    (3, 2, 1, 'tekwy100.details', 1, 1, 1, 1, 2, 4, 0, 70, -3, 2, 1, 7, 2, 1, 2, 0, '', 2),
    -- tekwy100.delivery
    (4, 2, 1, 'tekwy100.delivery', 1, 2, 1, 1, 3, 0, 0, 130, -4, 2, 1, 7, 2, 1, 2, 0, '', 2));

-- Fields: sequ, xpos, ypos, fldn, elem, pacd, cdom, typf, difo, difl, mini, maxd, mxdl, maxi, mxil, sttp, mult, zoom, zprg, zopm, zret, zcsp, defa, cmes, echo, flen, mand, dcex, labl, omod.
INSERT INTO qxzrn301 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, xpos, ypos, fldn, elem, pacd, cdom, typf, difo, difl, mini, maxd, mxdl, maxi, mxil, sttp, mult, zoom, zprg, zopm, zret, zcsp, defa, cmes, echo, flen, mand, dcex, labl, omod)
SELECT '2', 'te', '7.6', 'a3', 'dev', 'kwy', 'olditemd', * FROM (VALUES
    (1, 13, 1, 'tekwy005.orno', 1, '', '', 1, '', 1, 0, 9, 1, 9, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 9, 2, '', 'tekwy005.orno', 10),
    (2, 13, 2, 'tekwy005.pono', 1, '', '', 1, '', 1, 0, 4, 1, 4, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 4, 2, '', 'tekwy005.pono', 20),
    (3, 13, 3, 'tekwy005.item', 1, '', '', 1, '', 2, 0, 16, 1, 16, 1, 1, 2, 2, 'tekwyitems', '1', 'tekwy001.item', 0, 2, '', 1, 16, 2, '', 'tekwy005.item', 30),
    (4, 30, 3, 'tekwy001.dsca', 1, 'te', 'dsca', 2, '', 2, 0, 30, 1, 30, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 30, 2, '', 'tekwy001.dsca', 40),
    (5, 13, 4, 'tekwy005.qoor', 1, '', '', 1, 'ZZZZZZ9', 1, 0, 7, 1, 6, 2, 1, 2, 1, '', '1', '', 0, 2, 'kwym0005', 1, 7, 2, '', 'tekwy005.qoor', 50),
    (6, 13, 5, 'tekwy005.stat', 1, '', '', 1, '', 2, 0, 15, 1, 0, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 15, 2, '', 'tekwy005.stat', 60),
    (7, 15, 2, 'tekwy005.suno', 1, '', '', 1, '', 2, 0, 6, 1, 6, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 6, 2, '', 'tekwy005.suno', 70),
    (8, 15, 3, 'tekwy005.odat', 1, '', '', 1, 'DD-MM-YYYY', 1, 0, 10, 1, 10, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 10, 2, '', 'tekwy005.odat', 80),
    (9, 15, 4, 'tekwy005.ddat', 1, '', '', 1, 'DD-MM-YYYY', 1, 0, 10, 1, 10, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 10, 2, '', 'tekwy005.ddat', 90),
    (10, 15, 5, 'tekwy005.pric', 1, '', '', 1, 'ZZZZZZ9.9999', 1, 0, 7, 1, 4, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 12, 2, '', 'tekwy005.pric', 100),
    (11, 15, 6, 'tekwy005.amnt', 1, '', '', 1, 'ZZ,ZZZ,ZZ9.99', 1, 0, 9, 1, 2, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 13, 2, '', 'tekwy005.amnt', 110),
    (12, 15, 7, 'tekwy005.rmrk', 1, '', '', 1, '', 2, 0, 30, 1, 30, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 30, 2, '', 'tekwy005.rmrk', 120),
    (13, 15, 10, 'tekwy005.cwar', 1, '', '', 1, '', 2, 0, 3, 1, 3, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 3, 2, '', 'tekwy005.cwar', 130),
    (14, 15, 11, 'tekwy005.loca', 1, '', '', 1, '', 2, 0, 8, 1, 8, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 8, 2, '', 'tekwy005.loca', 140),
    (15, 15, 12, 'tekwy005.note', 1, '', '', 1, '', 2, 0, 50, 2, 0, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 50, 2, '', 'tekwy005.note', 150));

-- Layout: sequ, grpi, pare, next, chld, fwup, behi, inso, inmo, aggr, lali, lxpo, depe, lpos, llso, lhso, llmo, lhmo, xend, colu, optx, za_hght, za_view, za_yesv, za_srch, za_cnst, za_icon, za_zind, ctrl, za_adju, za_able, za_misc.
INSERT INTO qxzrn308 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, grpi, pare, next, chld, fwup, behi, inso, inmo, aggr, lali, lxpo, depe, lpos, llso, lhso, llmo, lhmo, xend, colu, optx, za_hght, za_view, za_yesv, za_srch, za_cnst, za_icon, za_zind, ctrl, za_adju, za_able, za_misc)
SELECT '2', 'te', '7.6', 'a3', 'dev', 'kwy', 'olditemd', * FROM (VALUES
    (1, 2, 0, 20, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 0, 21, 1, 0, 1, 2, 0, '', 0, '', 0, 0, 2, 2, 0),
    (2, 2, 0, 30, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 0, 999, 1, 16, 1, 0, 1, 2, 0, '', 0, '', 0, 0, 2, 2, 0),
    (3, 2, 0, 50, 40, 2, 1, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 1, 28, 1, 0, 1, 2, 0, '', 0, '', 1, 0, 0, 2, 0),
    (4, 2, 30, 0, 0, 1, 2, 1, 1, 2, 2, 0, 1, 1, 0, 1, 999, 1, 59, 1, 0, 1, 2, 0, '', 0, '', 0, 6, 0, 2, 0),
    (5, 2, 0, 60, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 1, 19, 1, 0, 1, 2, 0, '', 0, '', 0, 0, 2, 2, 0),
    (6, 2, 0, 0, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 1, 27, 1, 0, 1, 2, 0, '', 0, '', 0, 2, 0, 2, 0),
    (7, 3, 0, 80, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 20, 1, 0, 1, 2, 0, '', 0, '', 0, 6, 0, 2, 0),
    (8, 3, 0, 90, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 24, 1, 0, 1, 2, 0, '', 0, '', 0, 0, 0, 2, 0),
    (9, 3, 0, 100, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 24, 1, 0, 1, 2, 0, '', 0, '', 0, 0, 0, 2, 0),
    (10, 3, 0, 110, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 26, 1, 0, 1, 2, 0, '', 0, '', 0, 0, 2, 2, 0),
    (11, 3, 0, 120, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 27, 1, 0, 1, 2, 0, '', 0, '', 0, 0, 2, 2, 0),
    (12, 3, 0, 0, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 44, 1, 0, 1, 2, 0, '', 0, '', 0, 5, 0, 2, 0),
    (13, 4, 0, 140, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 17, 1, 0, 1, 2, 0, '', 0, '', 0, 6, 0, 2, 0),
    (14, 4, 0, 150, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 22, 1, 0, 1, 2, 0, '', 0, '', 0, 6, 0, 2, 0),
    (15, 4, 0, 0, 0, 2, 2, 1, 1, 2, 2, 4, 2, 1, 10, 1, 999, 1, 64, 1, 0, 5, 2, 0, '', 0, '', 0, 0, 0, 2, 0));

-- Form commands: sern, btyp, mscf, sequ.
INSERT INTO qxzrn316 (clan, cpac, vers, rele, cust, cmod, cfrm, sern, btyp, mscf, sequ)
SELECT '2', 'te', '7.6', 'a3', 'dev', 'kwy', 'olditemd', * FROM (VALUES
    (1, 1, 'print.order', 0));
