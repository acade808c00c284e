-- A second language (3) for some of the editor's own texts, so that texts missing
-- in a language fall back to language 2.

INSERT INTO qxzrn140 (clan, cpac, clab, lhgt, leng, vers, rele, cust, desc, expi, seak) VALUES
    ('3', 'qx', 'pzmnu.File', 1, 5, '7.6', 'a3', '', 'Datei', 2, 'DATEI'),
    ('3', 'qx', 'pzmnu.Edit', 1, 10, '7.6', 'a3', '', 'Bearbeiten', 2, 'BEARBEITEN'),
    ('3', 'qx', 'pzmnu.FSave', 1, 9, '7.6', 'a3', '', 'Speichern', 2, 'SPEICHERN'),
    ('3', 'qx', 'pzcmd.Ok', 1, 2, '7.6', 'a3', '', 'OK', 2, 'OK'),
    ('3', 'qx', 'pzcmd.Cancel', 1, 9, '7.6', 'a3', '', 'Abbrechen', 2, 'ABBRECHEN'),
    ('3', 'qx', 'pzcmd.Close', 1, 10, '7.6', 'a3', '', 'Schliessen', 2, 'SCHLIESSEN'),
    ('3', 'qx', 'pzfrm.DelGroup', 1, 15, '7.6', 'a3', '', 'Gruppe loeschen', 2, 'GRUPPELOES');

INSERT INTO qxzrn450 (clan, cpac, cmes, vers, rele, cust, expi, mess) VALUES
    ('3', 'qx', 'plqx0201', '7.6', 'a3', '', 2, 'Bezeichnung %s existiert nicht.'),
    ('3', 'qx', 'plqx0401', '7.6', 'a3', '', 2, 'Bereit'),
    ('3', 'qx', 'plqx0405', '7.6', 'a3', '', 2, 'Formular wird geladen... %s'),
    ('3', 'qx', 'plqx0202', '7.6', 'a3', '', 2, 'Das Formular ist gespeichert.%nDer Host konnte es nicht ausgeben.'),
    ('3', 'qx', 'plqx0217', '7.6', 'a3', '', 2, 'Das Formular wurde nicht gespeichert.++Nichts wurde geaendert.');

INSERT INTO qxzrn451 (clan, cpac, cmes, vers, rele, cust, expi, mess) VALUES
    ('3', 'qx', 'plqx0001', '7.6', 'a3', '', 2, 'Gruppe%s mit allen Untergruppen und Feldern loeschen?'),
    ('3', 'qx', 'plqx0003', '7.6', 'a3', '', 2, 'Das Formular wurde geaendert. Aenderungen speichern?');
