-- Reference rows of a database the program creates: materials and colours that
-- orders name. Never orders.
INSERT INTO Materials (Name, Width, Weight1m2, MaxH) VALUES ('Фиброцементная плита', 8, 14.4, 60);
INSERT INTO Materials (Name, Width, Weight1m2, MaxH) VALUES ('Фиброцементная плита', 10, 18, 50);
INSERT INTO Materials (Name, Width, Weight1m2, MaxH) VALUES ('Фиброцементная плита', 12, 21.6, 40);
INSERT INTO Materials (Name, Width, Weight1m2, MaxH) VALUES ('Фасадная панель окрашенная', 8, 15.2, 50);
INSERT INTO Colors (Code, Name) VALUES ('RAL 9003', 'Сигнальный белый');
INSERT INTO Colors (Code, Name) VALUES ('RAL 9010', 'Белый');
INSERT INTO Colors (Code, Name) VALUES ('RAL 1015', 'Светлая слоновая кость');
INSERT INTO Colors (Code, Name) VALUES ('RAL 1013', 'Жемчужно-белый');
INSERT INTO Colors (Code, Name) VALUES ('RAL 7035', 'Светло-серый');
INSERT INTO Colors (Code, Name) VALUES ('RAL 7016', 'Антрацитово-серый');
INSERT INTO Colors (Code, Name) VALUES ('RAL 7024', 'Графитовый серый');
INSERT INTO Colors (Code, Name) VALUES ('RAL 8017', 'Шоколадно-коричневый');
INSERT INTO Colors (Code, Name) VALUES ('RAL 3005', 'Винно-красный');
INSERT INTO Colors (Code, Name) VALUES ('RAL 5005', 'Сигнальный синий');
INSERT INTO Colors (Code, Name) VALUES ('RAL 6005', 'Зелёный мох');
INSERT INTO Colors (Code, Name) VALUES ('RAL 050 50 20', 'Терракотовый');
