-- A small form: the fields of an item group straight on the form.

INSERT INTO qxzrn300 (clan, cpac, cmod, cfrm, vers, rele, cust, lanl, desc, ftyp) VALUES
    ('2', 'te', 'kwy', 'simpled', '7.6', 'a3', 'dev', '', 'Item groups', 1);

-- Groups: grpi, repe, levl, labl, fram, inso, inmo, pare, prev, next, chld, fld1, algr, virt, wdth, za_revi, za_cbox, za_newp, za_besi, za_misc, zb_tabp, zb_selg.
INSERT INTO qxzrn315 (clan, cpac, vers, rele, cust, cmod, cfrm, grpi, repe, levl, labl, fram, inso, inmo, pare, prev, next, chld, fld1, algr, virt, wdth, za_revi, za_cbox, za_newp, za_besi, za_misc, zb_tabp, zb_selg)
SELECT '2', 'te', '7.6', 'a3', 'dev', 'kwy', 'simpled', * FROM (VALUES
    -- the form
    (1, 2, 0, '', 2, 1, 1, 0, 0, 0, 0, 10, 1, 1, 1, 11, 2, 2, 2, 0, '', 2));

-- Fields: sequ, xpos, ypos, fldn, elem, pacd, cdom, typf, difo, difl, mini, maxd, mxdl, maxi, mxil, sttp, mult, zoom, zprg, zopm, zret, zcsp, defa, cmes, echo, flen, mand, dcex, labl, omod.
INSERT INTO qxzrn301 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, xpos, ypos, fldn, elem, pacd, cdom, typf, difo, difl, mini, maxd, mxdl, maxi, mxil, sttp, mult, zoom, zprg, zopm, zret, zcsp, defa, cmes, echo, flen, mand, dcex, labl, omod)
SELECT '2', 'te', '7.6', 'a3', 'dev', 'kwy', 'simpled', * FROM (VALUES
    (1, 33, 1, 'tekwy002.citg', 1, '', '', 1, '', 2, 0, 6, 1, 6, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 6, 2, '', 'tekwy002.citg', 10),
    (2, 33, 2, 'tekwy002.dsca', 1, '', '', 1, '', 2, 0, 30, 1, 30, 1, 1, 2, 1, '', '1', '', 0, 2, '', 1, 30, 2, '', 'tekwy002.dsca', 20),
    (3, 33, 3, 'tekwy002.pgrp', 1, '', '', 1, '', 2, 0, 6, 1, 6, 1, 1, 2, 2, 'tekwysimple', '1', 'tekwy002.citg', 0, 2, '', 1, 6, 2, '', 'tekwy002.pgrp', 30),
    (4, 33, 4, 'tekwy002.cuni', 1, '', '', 1, '', 2, 0, 10, 1, 0, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 10, 2, '', 'tekwy002.cuni', 40),
    (5, 33, 5, 'tekwy002.actv', 1, '', '', 1, '', 2, 0, 3, 2, 0, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 3, 2, '', 'tekwy002.actv', 50),
    (6, 33, 6, 'tekwy002.sequ', 1, '', '', 1, '', 1, 0, 4, 1, 4, 2, 1, 2, 1, '', '1', '', 0, 2, '', 1, 4, 2, '', 'tekwy002.sequ', 60));

-- Layout: sequ, grpi, pare, next, chld, fwup, behi, inso, inmo, aggr, lali, lxpo, depe, lpos, llso, lhso, llmo, lhmo, xend, colu, optx, za_hght, za_view, za_yesv, za_srch, za_cnst, za_icon, za_zind, ctrl, za_adju, za_able, za_misc.
INSERT INTO qxzrn308 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, grpi, pare, next, chld, fwup, behi, inso, inmo, aggr, lali, lxpo, depe, lpos, llso, lhso, llmo, lhmo, xend, colu, optx, za_hght, za_view, za_yesv, za_srch, za_cnst, za_icon, za_zind, ctrl, za_adju, za_able, za_misc)
SELECT '2', 'te', '7.6', 'a3', 'dev', 'kwy', 'simpled', * FROM (VALUES
    (1, 1, 0, 20, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 1, 38, 1, 0, 1, 2, 0, '', 0, '', 0, 6, 0, 2, 0),
    (2, 1, 0, 30, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 30, 1, 999, 1, 62, 1, 0, 1, 2, 0, '', 0, '', 0, 6, 0, 2, 0),
    (3, 1, 0, 40, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 1, 38, 1, 0, 1, 2, 0, '', 0, '', 1, 6, 0, 2, 0),
    (4, 1, 0, 50, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 1, 42, 1, 0, 1, 2, 0, '', 0, '', 0, 2, 0, 2, 0),
    (5, 1, 0, 60, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 1, 35, 1, 0, 1, 2, 1, '', 0, '', 0, 1, 0, 2, 0),
    (6, 1, 0, 0, 0, 2, 2, 1, 1, 2, 2, 2, 2, 1, 10, 1, 999, 1, 36, 1, 0, 1, 2, 0, '', 0, '', 0, 0, 2, 2, 0));
