<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Kept by hand, not by scripts/update-translations: only the source texts that would mislead a
     Russian reader (a label naming another action) or are not Russian; every other text is shown
     as the source writes it. -->
<TS version="2.1" language="ru_RU" sourcelanguage="ru_RU">
<context>
    <name>Core</name>
    <message>
        <source>提示</source>
        <translation>подсказки</translation>
    </message>
    <message>
        <source>Z系列不支持该功能</source>
        <translation>Камеры серии Z не поддерживают эту функцию</translation>
    </message>
    <message>
        <source>检测到当前网速不稳定，请稍后重试</source>
        <translation>Соединение нестабильно, попробуйте позже</translation>
    </message>
    <message>
        <source>检测到系统有重要更新，请下载更新！</source>
        <translation>Вышло важное обновление программы. Пожалуйста, загрузите его!</translation>
    </message>
    <message>
        <source>Подтвердить подключение пользователю %1？</source>
        <translation>Удалить доступ пользователя %1?</translation>
    </message>
    <message>
        <source>Подтвердить подключение пользователю%1？</source>
        <translation>Удалить доступ пользователя %1?</translation>
    </message>
    <message>
        <source> Пользователь удален</source>
        <translation>Удалить пользователя</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Да</translation>
    </message>
    <message>
        <source>Открыть отчет успеха</source>
        <translation>Сигнал тревоги включен</translation>
    </message>
    <message>
        <source>Закрыть отчет успеха</source>
        <translation>Сигнал тревоги выключен</translation>
    </message>
    <message>
        <source>Открыть отчет неудачи</source>
        <translation>Не удалось включить сигнал тревоги</translation>
    </message>
    <message>
        <source>Закрыть отчет неудачи</source>
        <translation>Не удалось выключить сигнал тревоги</translation>
    </message>
    <message>
        <source>Десантный пароль ошибки，Не удалось удалить устройство, попробуйте еще раз</source>
        <translation>Неверный пароль учетной записи. Не удалось удалить устройство, попробуйте еще раз</translation>
    </message>
    <message>
        <source>При появлении запроса Отключить</source>
        <translation>Спрашивать каждый раз</translation>
    </message>
    <message>
        <source>Выбрать вручную</source>
        <translation>Без группы</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите закрыл видео</source>
        <translation>Пожалуйста, выберите видео, которое нужно остановить</translation>
    </message>
</context>
<context>
    <name>DeviceTreePainter</name>
    <message>
        <source>[内网]</source>
        <translation>[ЛВС]</translation>
    </message>
</context>
<context>
    <name>MainControls</name>
    <message>
        <source>Предыдущая камера</source>
        <translation>Предыдущая страница</translation>
    </message>
    <message>
        <source>Следующая камера</source>
        <translation>Следующая страница</translation>
    </message>
    <message>
        <source>Включить микрофон</source>
        <translation>Включить звук камеры</translation>
    </message>
    <message>
        <source>Выключить микрофон</source>
        <translation>Выключить звук камеры</translation>
    </message>
    <message>
        <source>Включить динамик</source>
        <translation>Говорить</translation>
    </message>
    <message>
        <source>Выключить динамик</source>
        <translation>Закончить разговор</translation>
    </message>
    <message>
        <source>Воспроизвести видео</source>
        <translation>Начать запись</translation>
    </message>
    <message>
        <source>Видео открыто</source>
        <translation>Остановить запись</translation>
    </message>
</context>
<context>
    <name>nimbrel::CAboutDlg</name>
    <message>
        <source>Email</source>
        <translation>Эл. почта</translation>
    </message>
    <message>
        <source>Service phone</source>
        <translation>Телефон поддержки</translation>
    </message>
    <message>
        <source>Adrress</source>
        <translation>Адрес</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>Компания</translation>
    </message>
</context>
</TS>
